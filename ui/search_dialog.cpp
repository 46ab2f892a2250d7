#include "ui/search_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "controls/button_ex.h"
#include "scan/mail_item.h"
#include "ui/skin.h"

std::u16string LowerAscii(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

std::u16string MailHaystack(const tagMailItem& item) {
  std::u16string h = item.strFromW + item.strToW + item.strSubjectW;
  {
    auto lock = item.Lock();
    h += item.strBodyW;
  }
  return LowerAscii(std::move(h));
}

int FindNextMatch(const std::vector<const tagMailItem*>& rows, int selected, const std::u16string& needle) {
  const int count = static_cast<int>(rows.size());
  const int start = selected < 0 ? 0 : selected + 1;
  auto matches = [&](int i) {
    return MailHaystack(*rows[static_cast<size_t>(i)]).find(needle) != std::u16string::npos;
  };
  for (int i = start; i < count; ++i) {
    if (!rows[static_cast<size_t>(i)]) break;
    if (matches(i)) return i;
  }
  for (int i = 0; i < start && i < count; ++i) {
    if (!rows[static_cast<size_t>(i)]) break;
    if (matches(i)) return i;
  }
  return -1;
}

std::u16string& LastSearchText() {
  static std::u16string text;
  return text;
}

CSearchDlg::CSearchDlg(QWidget* parent) : CSkinnedDialog(parent) {
  SetSkin(SkinPixmap());
  setObjectName(QStringLiteral("searchDialog"));
  setWindowTitle(QStringLiteral("查找设置"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFixedSize(280, 150);
  auto* label = new QLabel(QStringLiteral("查找的内容"), this);
  label->setGeometry(27, 18, 200, 18);
  m_pEdit = new QLineEdit(this);
  m_pEdit->setObjectName(QStringLiteral("searchText"));
  m_pEdit->setGeometry(26, 40, 228, 26);
  m_pOk = new CButtonEx(QStringLiteral("确定"), this);
  m_pOk->setObjectName(QStringLiteral("okButton"));
  m_pOk->setGeometry(57, 104, 75, 31);
  m_pOk->setDefault(true);
  m_pCancel = new CButtonEx(QStringLiteral("取消"), this);
  m_pCancel->setObjectName(QStringLiteral("cancelButton"));
  m_pCancel->setGeometry(142, 104, 75, 31);
  connect(m_pOk, &QPushButton::clicked, this, [this] {
    m_strText = m_pEdit->text().toStdU16String();
    accept();
  });
  connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CSearchDlg::exec() {
  m_pEdit->setText(QString::fromStdU16String(m_strText));
  m_pEdit->selectAll();
  m_pEdit->setFocus();
  return QDialog::exec();
}
