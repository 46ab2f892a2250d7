// korvane-shot: runs the desktop program's main window on a source, as a user would
// (the data-source dialog opens by itself, the image file is added and chosen, the scan
// runs), sorts the list by subject, selects a message whose subject is Chinese and saves
// a picture of the window. Beside OUT.png it saves OUT-data.png (the data-source dialog
// with the image added) and OUT-help.png (the help dialog).
//   korvane-shot IMAGE OUT.png [WIDTH HEIGHT]
// Exit status 0 when the picture was saved with at least one message listed.

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/korvane_app.h"
#include "controls/list_ctrl_ex.h"
#include "scan/scan_state.h"
#include "ui/data_dialog.h"
#include "ui/help_dialog.h"
#include "ui/html_ctrl.h"
#include "ui/main_dialog.h"
#include "ui/user_prompts.h"

namespace {

// Answers the file chooser with the image; message boxes are printed instead of shown.
class CShotPrompts : public CUserPrompts {
 public:
  explicit CShotPrompts(QString image) : m_strImage(std::move(image)) {}
  void Inform(QWidget*, const QString& text) override { std::fprintf(stderr, "korvane-shot: %s\n", qPrintable(text)); }
  Answer Ask(QWidget*, const QString&, Buttons b) override {
    return b == Buttons::YesNo ? Answer::Yes : Answer::Cancel;
  }
  QString OpenFile(QWidget*, const QString&, const QString&) override { return m_strImage; }

 private:
  QString m_strImage;
};

// OUT.png with a suffix before its extension: OUT-help.png.
QString Beside(const QString& out, const char* suffix) {
  const QFileInfo info(out);
  return info.dir().filePath(info.completeBaseName() + QLatin1String(suffix) + QStringLiteral(".png"));
}

bool HasHan(const QString& s) {
  for (QChar c : s) {
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: korvane-shot IMAGE OUT.png [WIDTH HEIGHT]\n");
    return 2;
  }
  CKorvaneApp app(argc, argv);
  const QString image = QString::fromLocal8Bit(argv[1]);
  const QString out = QString::fromLocal8Bit(argv[2]);
  const int width = argc == 5 ? atoi(argv[3]) : 1280;
  const int height = argc == 5 ? atoi(argv[4]) : 860;
  CShotPrompts prompts(image);
  SetPrompts(&prompts);

  tagDlgOptions opts;
  opts.nSplashMs = 0;
  opts.nDataDelayMs = 200;
  opts.bMaximise = false;
  CKorvaneDlg dlg(opts);
  dlg.resize(width, height);
  dlg.Init();

  // Driven by a timer, which also fires inside the modal loops of the dialogs.
  enum class Step { WaitDialog, WaitScanStart, WaitScanEnd, Select, Done };
  Step step = Step::WaitDialog;
  int rows = 0, pick = -1, result = 1;
  QElapsedTimer t;
  t.start();
  QTimer tick;
  tick.setInterval(100);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (t.elapsed() > 180000) {
      std::fprintf(stderr, "korvane-shot: timed out\n");
      step = Step::Done;
      app.exit(1);
      return;
    }
    switch (step) {
      case Step::WaitDialog:
        // The data-source dialog opens by itself: add the image and choose it.
        if (auto* data = dlg.findChild<CDataDlg*>(); data && data->isVisible()) {
          data->findChild<QPushButton*>(QStringLiteral("openImageButton"))->click();
          data->grab().save(Beside(out, "-data"), "PNG");
          data->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
          step = Step::WaitScanStart;
          t.restart();
        }
        break;
      case Step::WaitScanStart:
        if (dlg.WorkerRunning() || t.elapsed() > 2000) step = Step::WaitScanEnd;
        break;
      case Step::WaitScanEnd:
        if (!dlg.WorkerRunning() && !g_bScanning.load()) {
          UI::CListCtrlEx* list = dlg.List();
          rows = list->GetItemCount();
          // As a click on the subject column's header does.
          list->SortByColumn(3, true);
          // The first message with a Chinese subject that has a preview; else the first
          // Chinese one; else the first row.
          pick = rows > 0 ? 0 : -1;
          int chinese = -1;
          for (int i = 0; i < rows; ++i) {
            if (!HasHan(list->GetItemText(i, 3))) continue;
            if (chinese < 0) chinese = i;
            list->SelectItem(i);
            if (!dlg.Preview()->toPlainText().isEmpty()) {
              chinese = i;
              break;
            }
          }
          if (chinese >= 0) pick = chinese;
          if (pick >= 0) list->SelectItem(pick);
          step = Step::Select;
          t.restart();
        }
        break;
      case Step::Select:
        if (t.elapsed() > 600) {
          const bool saved = dlg.grab().save(out, "PNG");
          std::fprintf(stderr, "korvane-shot: %d messages listed, row %d selected (preview of %d characters), %s %s\n",
                       rows, pick, int(dlg.Preview()->toPlainText().size()), saved ? "saved" : "could not save",
                       qPrintable(out));
          CHelpDlg help(&dlg);
          help.show();
          const bool helpSaved = help.grab().save(Beside(out, "-help"), "PNG");
          help.hide();
          result = saved && helpSaved && rows > 0 ? 0 : 1;
          step = Step::Done;
          dlg.hide();
          app.exit(result);
        }
        break;
      case Step::Done:
        break;
    }
  });
  tick.start();
  app.exec();
  SetPrompts(nullptr);
  return result;
}
