#pragma once
// Search: the "查找设置" dialog and the search over the rows of the message list.

#include <string>
#include <vector>
#include "controls/dialog_skin.h"

class CButtonEx;
class QLineEdit;
struct tagMailItem;

// ASCII A-Z to a-z; every other unit unchanged.
std::u16string LowerAscii(std::u16string text);
// strFromW + strToW + strSubjectW + strBodyW, lower-cased (the body read under the record's lock).
std::u16string MailHaystack(const tagMailItem& item);

// The row to select for `needle` (already lower-cased) when row `selected` is selected (-1:
// none): the first match after it, else the first match from the top up to and including
// it. A null row ends the pass it is met in. -1 when nothing matches.
int FindNextMatch(const std::vector<const tagMailItem*>& rows, int selected, const std::u16string& needle);

// The text last searched for, kept for the life of the process. UI thread only.
std::u16string& LastSearchText();

class CSearchDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  explicit CSearchDlg(QWidget* parent = nullptr);

  std::u16string m_strText;  // exchanged with the edit field

  int exec() override;

 private:
  QLineEdit* m_pEdit = nullptr;
  CButtonEx* m_pOk = nullptr;
  CButtonEx* m_pCancel = nullptr;
};
