#include "app/korvane_app.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/main_dialog.h"

CKorvaneApp::CKorvaneApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Korvane"));
  setApplicationVersion(QStringLiteral("2.0.0.0"));
  // Latin text in DejaVu and Chinese in a Simplified Chinese face, whatever the locale.
  QFont f = font();
  f.setFamilies(
      {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
  f.setPointSize(9);
  setFont(f);
  // Qt's own buttons (OK, Cancel, Yes, No) and choosers in Chinese, when the translation exists.
  auto* qtText = new QTranslator(this);
  if (qtText->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(qtText);
  }
}

int CKorvaneApp::Run() {
  CKorvaneDlg dlg;
  dlg.Init();
  return exec();
}
