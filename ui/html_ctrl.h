#pragma once
// CHtmlCtrl: the preview pane. Shows one recovered message as HTML (or as plain text inside
// <pre>), handed over in memory through a CStreamOnCString.
//
// A mail is untrusted: the control never loads a resource of any kind (no network, no local
// file, no image, no style sheet) and runs no script. A click on an "app:" link is cancelled
// and goes to OnAppCommand, which does nothing; other links open in the user's browser.
// UI thread only.

#include <QTextBrowser>
#include <QUrl>
#include <string>

class CHtmlCtrl : public QTextBrowser {
  Q_OBJECT
 public:
  explicit CHtmlCtrl(QWidget* parent = nullptr);

  // Shows `text` as the document. `codePage` is the code page the stream carries it in;
  // UTF-8 carries every character of the text.
  void LoadHtml(const std::u16string& text, int codePage = 65001);

  // The text as the stream delivered it, the last time LoadHtml ran.
  const QString& LoadedText() const { return m_strLoaded; }

  // Every resource request ends here and is refused.
  QVariant loadResource(int type, const QUrl& name) override;

  // True when `url` is an application link ("app:" in any case).
  static bool IsAppLink(const QUrl& url);

 signals:
  // A link other than "app:" was clicked; the window opens it with the desktop's handler.
  void ExternalLinkClicked(const QUrl& url);
  // An "app:" link was clicked and cancelled; `command` is what follows "app:".
  void AppCommand(const QString& command);

 private:
  void OnAnchorClicked(const QUrl& url);

  QString m_strLoaded;
};
