#include "ui/ui_caller.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <condition_variable>
#include <memory>

namespace {

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Completion of one posted call, shared by the waiting worker and the event.
struct tagCallState {
  std::mutex lock;
  std::condition_variable done;
  bool bFinished = false;
  bool bRan = false;

  void Finish(bool ran) {
    std::lock_guard<std::mutex> g(lock);
    if (bFinished) return;
    bFinished = true;
    bRan = ran;
    done.notify_all();
  }
};

// Carries the function to the UI thread. An event deleted without running (the caller
// was closed, or the application is going away) still releases its waiting worker.
// A posted call has no state: nobody waits for it.
class CCallEvent : public QEvent {
 public:
  CCallEvent(std::function<void()> fn, std::shared_ptr<tagCallState> state)
      : QEvent(kCallEvent), m_fn(std::move(fn)), m_pState(std::move(state)) {}
  ~CCallEvent() override {
    if (m_pState) m_pState->Finish(false);
  }

  void Run() {
    m_fn();
    if (m_pState) m_pState->Finish(true);
  }

 private:
  std::function<void()> m_fn;
  std::shared_ptr<tagCallState> m_pState;
};

}  // namespace

CUiCaller::CUiCaller(QObject* parent) : QObject(parent) {}

CUiCaller::~CUiCaller() { Close(); }

bool CUiCaller::Call(const std::function<void()>& fn) {
  if (QThread::currentThread() == thread()) {
    if (IsClosed()) return false;
    fn();
    return true;
  }
  auto state = std::make_shared<tagCallState>();
  {
    // Posting under the lock: Close() cannot slip in between the test and the post and
    // leave an event that nobody will ever drop.
    std::lock_guard<std::mutex> g(m_lock);
    if (m_bClosed) return false;
    QCoreApplication::postEvent(this, new CCallEvent(fn, state));
  }
  std::unique_lock<std::mutex> l(state->lock);
  state->done.wait(l, [&] { return state->bFinished; });
  return state->bRan;
}

bool CUiCaller::Post(std::function<void()> fn) {
  // Under the lock for the same reason as Call; the lock also orders what the poster
  // wrote before posting with what the function reads (event() takes it too).
  std::lock_guard<std::mutex> g(m_lock);
  if (m_bClosed) return false;
  QCoreApplication::postEvent(this, new CCallEvent(std::move(fn), nullptr));
  return true;
}

void CUiCaller::Close() {
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_bClosed) return;
    m_bClosed = true;
  }
  // Deleting the waiting events releases their workers.
  QCoreApplication::removePostedEvents(this, kCallEvent);
}

bool CUiCaller::IsClosed() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_bClosed;
}

bool CUiCaller::event(QEvent* e) {
  // The lock first: the poster wrote the event under it, and Qt's own queue orders the two
  // threads where ThreadSanitizer cannot see it.
  const bool closed = IsClosed();
  if (e->type() != kCallEvent) return QObject::event(e);
  if (!closed) static_cast<CCallEvent*>(e)->Run();
  return true;
}
