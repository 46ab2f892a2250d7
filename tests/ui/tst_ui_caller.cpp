// CUiCaller: worker threads run functions on the UI thread and wait; a closing window
// releases them instead of deadlocking.

#include <QtTest>
#include <atomic>
#include <thread>

#include "ui/ui_caller.h"

class TestUiCaller : public QObject {
  Q_OBJECT
 private slots:
  void CallFromTheUiThreadRunsAtOnce();
  void CallFromAWorkerRunsOnTheUiThreadAndWaits();
  void CloseReleasesAWaitingWorker();
  void CallsAfterCloseDoNothing();
  void PostReturnsAtOnceAndRunsInOrderUnlessClosed();
};

void TestUiCaller::CallFromTheUiThreadRunsAtOnce() {
  CUiCaller caller;
  bool ran = false;
  QVERIFY(caller.Call([&] { ran = true; }));
  QVERIFY(ran);
}

void TestUiCaller::CallFromAWorkerRunsOnTheUiThreadAndWaits() {
  CUiCaller caller;
  std::atomic<bool> done{false};
  QThread* ranOn = nullptr;
  int value = 0;
  bool result = false;
  std::thread worker([&] {
    result = caller.Call([&] {
      ranOn = QThread::currentThread();
      value = 42;
    });
    // The function has run by the time Call returns.
    if (value != 42) result = false;
    done = true;
  });
  QTRY_VERIFY(done.load());
  worker.join();
  QVERIFY(result);
  QCOMPARE(ranOn, QThread::currentThread());
}

void TestUiCaller::CloseReleasesAWaitingWorker() {
  CUiCaller caller;
  std::atomic<bool> posted{false}, done{false};
  bool ran = false, result = true;
  std::thread worker([&] {
    posted = true;
    result = caller.Call([&] { ran = true; });
    done = true;
  });
  // The UI thread does not serve events here: the worker waits until Close drops its call.
  while (!posted.load()) QThread::msleep(1);
  QThread::msleep(50);
  QVERIFY(!done.load());
  caller.Close();
  worker.join();  // would hang if the worker were still blocked
  QVERIFY(done.load());
  QVERIFY(!result);
  QCoreApplication::processEvents();
  QVERIFY(!ran);
}

void TestUiCaller::CallsAfterCloseDoNothing() {
  CUiCaller caller;
  caller.Close();
  QVERIFY(caller.IsClosed());
  bool ran = false;
  QVERIFY(!caller.Call([&] { ran = true; }));
  bool result = true;
  std::thread worker([&] { result = caller.Call([&] { ran = true; }); });
  worker.join();
  QVERIFY(!result);
  QVERIFY(!ran);
}

void TestUiCaller::PostReturnsAtOnceAndRunsInOrderUnlessClosed() {
  CUiCaller caller;
  std::vector<int> order;
  std::vector<QThread*> threads;
  bool posted = false;
  // The UI thread serves no events while the worker posts: Post must not wait for them.
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      posted = caller.Post([&, i] {
        order.push_back(i);
        threads.push_back(QThread::currentThread());
      });
    }
  });
  worker.join();
  QVERIFY(posted);
  QVERIFY(order.empty());
  QCoreApplication::processEvents();
  QCOMPARE(order, std::vector<int>({0, 1, 2}));
  for (QThread* t : threads) QCOMPARE(t, QThread::currentThread());

  // Posted but not yet run when the caller closes: dropped.
  bool ran = false;
  QVERIFY(caller.Post([&] { ran = true; }));
  caller.Close();
  QCoreApplication::processEvents();
  QVERIFY(!ran);
  QVERIFY(!caller.Post([&] { ran = true; }));
}

QTEST_MAIN(TestUiCaller)
#include "tst_ui_caller.moc"
