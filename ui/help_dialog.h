#pragma once
// CHelpDlg: the "帮助" dialog, showing the usage text kept as a resource (UTF-16
// little-endian with a byte-order mark).

#include <QByteArray>
#include <QString>
#include "controls/dialog_skin.h"

class CButtonEx;
class QPlainTextEdit;

// The text of a UTF-16LE resource: everything after its first two bytes (the byte-order
// mark). Empty when the resource is shorter than the mark.
QString HelpTextFromResource(const QByteArray& bytes);

class CHelpDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  explicit CHelpDlg(QWidget* parent = nullptr);

  QPlainTextEdit* TextField() const { return m_pEdit; }

 private:
  QPlainTextEdit* m_pEdit = nullptr;
  CButtonEx* m_pOk = nullptr;
};
