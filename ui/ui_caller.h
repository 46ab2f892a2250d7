#pragma once
// CUiCaller: runs a function on the UI thread and waits for it, for the worker threads
// (the scan and the folder save) that drive the window.
//
// A call from the UI thread itself runs at once. A call from another thread is posted to
// the UI thread's event loop and the caller blocks until it has run; Post() hands a
// function over without waiting for it. Once Close() has been
// called (the window is going away), no call runs any more: new calls return false at
// once, and calls already waiting are dropped and released, so a worker can never block a
// window that is closing, nor the thread that joins it.

#include <QObject>
#include <functional>
#include <mutex>

class CUiCaller : public QObject {
 public:
  // Must be constructed on the UI thread.
  explicit CUiCaller(QObject* parent = nullptr);
  ~CUiCaller() override;

  // Runs `fn` on the UI thread. True when it ran; false when the caller is closed.
  bool Call(const std::function<void()>& fn);
  // Queues `fn` to run on the UI thread and returns at once, also on the UI thread.
  // False when the caller is closed (then `fn` never runs).
  bool Post(std::function<void()> fn);

  // From now on nothing runs; waiting callers return false. UI thread only.
  void Close();
  bool IsClosed() const;

 protected:
  bool event(QEvent* e) override;

 private:
  mutable std::mutex m_lock;
  bool m_bClosed = false;
};
