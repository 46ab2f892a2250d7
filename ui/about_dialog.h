#pragma once
// CAboutDlg: "关于 Korvane", the application icon and the product's title line.

#include <QDialog>

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
