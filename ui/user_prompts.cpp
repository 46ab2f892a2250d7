#include "ui/user_prompts.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QGridLayout>

namespace {

CUserPrompts g_DesktopPrompts;
CUserPrompts* g_pPrompts = nullptr;

const QString& Caption() {
  static const QString caption = QStringLiteral("Korvane");
  return caption;
}

}  // namespace

CUserPrompts& Prompts() { return g_pPrompts ? *g_pPrompts : g_DesktopPrompts; }

void SetPrompts(CUserPrompts* prompts) { g_pPrompts = prompts; }

void CUserPrompts::Inform(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, Caption(), text, QMessageBox::Ok);
}

CUserPrompts::Answer CUserPrompts::Ask(QWidget* parent, const QString& text, Buttons buttons) {
  if (buttons == Buttons::YesNo) {
    const auto r = QMessageBox::question(parent, Caption(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
  }
  const auto r = QMessageBox::question(parent, Caption(), text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
  return r == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

QString CUserPrompts::OpenFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, QString(), filter, nullptr, QFileDialog::HideNameFilterDetails);
}

QString CUserPrompts::SaveFile(QWidget* parent, const QString& suggested, const QString& filter) {
  // The program's own overwrite question is the dialog's; no extension is added.
  return QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
}

QString CUserPrompts::ChooseDirectory(QWidget* parent, const QString& title) {
  // The prompt is two lines long and the second warns in red, so it stands above the
  // chooser in a dialog of our own rather than in a title bar that would cut it.
  QFileDialog dlg(parent, title.section(QLatin1Char('\n'), 0, 0).trimmed());
  dlg.setFileMode(QFileDialog::Directory);
  dlg.setOption(QFileDialog::ShowDirsOnly, true);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  if (auto* layout = qobject_cast<QGridLayout*>(dlg.layout())) {
    auto* label = new QLabel(title, &dlg);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    label->setPalette(pal);
    label->setWordWrap(true);
    layout->addWidget(label, layout->rowCount(), 0, 1, layout->columnCount());
  }
  if (dlg.exec() != QDialog::Accepted) return {};
  const QStringList files = dlg.selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}
