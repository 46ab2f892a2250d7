#include "ui/user_prompts.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>

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

// The questions name their buttons ("点击“是”…"), so the buttons carry those Chinese texts
// whatever translation of Qt is installed.
void CUserPrompts::Inform(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Information, Caption(), text, QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  // Texts are never markup (a link's address is shown as it is), and can be copied.
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  box.exec();
}

CUserPrompts::Answer CUserPrompts::Ask(QWidget* parent, const QString& text, Buttons buttons) {
  const bool yesNo = buttons == Buttons::YesNo;
  QMessageBox box(QMessageBox::Question, Caption(), text,
                  yesNo ? (QMessageBox::Yes | QMessageBox::No) : (QMessageBox::Ok | QMessageBox::Cancel), parent);
  if (yesNo) {
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Ok);
  }
  const int r = box.exec();
  if (yesNo) return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
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
