// gui_scan: the main window during a whole scan of an image file, as the user would see
// it (offscreen unless a display is set): the window shows the Inbox while the scan fills
// it, the way it does after start-up.
//
//   gui_scan IMAGE [--quiet-view]
//
// Reports the scan's time, the messages found and listed, the longest time the UI thread
// went without serving its event loop while the scan ran (what the user feels as a frozen
// window), the time to list the Inbox anew and to sort it by subject, and the peak resident
// size of the process. --quiet-view runs the same scan with a view that shows nothing, for
// the scan's own time and memory. For a scan that finds 100,000 messages use the memory
// image of bench/throughput.sh (build/release/bench-images/memory-100k.img).

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
#include <thread>

#include "bench/quiet_view.h"
#include "controls/list_ctrl_ex.h"
#include "scan/allocator_tuning.h"
#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "scan/view.h"
#include "ui/main_dialog.h"

namespace {

long PeakRssKiB() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  TuneAllocatorForScanning();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fputs("usage: gui_scan IMAGE [--quiet-view]\n", stderr);
    return 2;
  }
  g_strSourcePath.Set(args[1].toStdU16String());
  const bool quiet = args.contains(QStringLiteral("--quiet-view"));

  QElapsedTimer clock;
  if (quiet) {
    CQuietView view;
    clock.start();
    ScanThreadProc(&view, MakeScanChunkConsumer(&view));
    std::printf("scan without a window: %.2f s, %d messages, peak resident %.1f MiB\n", clock.elapsed() / 1000.0,
                g_nMailCount.load(), PeakRssKiB() / 1024.0);
    g_MailStore.FreeAll();
    return 0;
  }

  tagDlgOptions opts;
  opts.nSplashMs = 0;
  opts.nDataDelayMs = -1;
  opts.bMaximise = false;
  CKorvaneDlg dlg(opts);
  dlg.resize(1280, 900);
  dlg.Init();
  QApplication::processEvents();

  // The longest gap between two turns of the event loop while the scan runs.
  QElapsedTimer sinceTick;
  qint64 longestGap = 0;
  QTimer tick;
  tick.setInterval(1);
  QObject::connect(&tick, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });

  std::atomic<bool> done{false};
  clock.start();
  sinceTick.start();
  tick.start();
  std::thread scan([&] {
    ScanThreadProc(dlg.View(), MakeScanChunkConsumer(dlg.View()));
    done = true;
  });
  while (!done.load()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  scan.join();
  QApplication::processEvents();
  const qint64 scanMs = clock.elapsed();
  tick.stop();
  const int rows = dlg.List()->GetItemCount();

  // Listing the Inbox anew (what selecting it does), then sorting by subject.
  QTreeWidgetItem* inbox = dlg.RootItem()->child(0);
  clock.restart();
  dlg.Tree()->setCurrentItem(dlg.RootItem());
  dlg.Tree()->setCurrentItem(inbox);
  dlg.List()->repaint();
  const qint64 refillMs = clock.elapsed();
  clock.restart();
  dlg.List()->SortByColumn(3, true);
  dlg.List()->repaint();
  const qint64 sortMs = clock.elapsed();

  std::printf("scan with the window: %.2f s, %d messages found, %d listed\n", scanMs / 1000.0, g_nMailCount.load(),
              rows);
  std::printf("longest time the window did not serve its events during the scan: %lld ms\n",
              static_cast<long long>(longestGap));
  std::printf("listing the Inbox anew: %lld ms; sorting it by subject: %lld ms\n", static_cast<long long>(refillMs),
              static_cast<long long>(sortMs));
  std::printf("peak resident: %.1f MiB\n", PeakRssKiB() / 1024.0);
  return 0;
}
