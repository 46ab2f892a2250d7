#include "ui/about_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "controls/button_ex.h"
#include "ui/skin.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutDialog"));
  setWindowTitle(QStringLiteral("关于 Korvane"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* icon = new QLabel(this);
  icon->setPixmap(AppIcon().pixmap(32, 32));
  auto* title = new QLabel(QStringLiteral("KorvanePelorin邮件碎片扫描恢复软件 V2.0"), this);
  title->setObjectName(QStringLiteral("titleLine"));
  auto* ok = new CButtonEx(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setMinimumSize(80, 28);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addSpacing(12);
  top->addWidget(title, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(10);
  layout->addLayout(bottom);
}
