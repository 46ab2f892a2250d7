#include "ui/help_dialog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "controls/button_ex.h"
#include "ui/skin.h"

QString HelpTextFromResource(const QByteArray& bytes) {
  if (bytes.size() < 2) return {};
  const qsizetype units = (bytes.size() - 2) / 2;
  QString text(units, Qt::Uninitialized);
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData()) + 2;
  for (qsizetype i = 0; i < units; ++i) text[i] = QChar(static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8)));
  return text;
}

CHelpDlg::CHelpDlg(QWidget* parent) : CSkinnedDialog(parent) {
  SetSkin(SkinPixmap());
  setObjectName(QStringLiteral("helpDialog"));
  setWindowTitle(QStringLiteral("帮助"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(620, 480);
  m_pEdit = new QPlainTextEdit(this);
  m_pEdit->setObjectName(QStringLiteral("helpText"));
  m_pEdit->setReadOnly(true);
  m_pEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_pEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ApplyHelpEditColours(m_pEdit);
  m_pOk = new CButtonEx(QStringLiteral("确定"), this);
  m_pOk->setObjectName(QStringLiteral("okButton"));
  m_pOk->setMinimumSize(80, 30);
  connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(m_pOk);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pEdit, 1);
  layout->addLayout(row);

  QFile res(QStringLiteral(":/res/help.txt"));
  if (res.open(QIODevice::ReadOnly)) m_pEdit->setPlainText(HelpTextFromResource(res.readAll()));
}
