#pragma once
// CHtmlCtrl: the preview pane. Shows one recovered message as HTML (or as plain text inside
// <pre>), handed over in memory through a CStreamOnCString.
//
// A mail is untrusted:
// - the control runs no script and loads no resource of any kind: no network, no local
//   file, no data: or cid: image, no style sheet; its document refuses every request;
// - it lays out only the part of the document that LimitPreviewHtml keeps, so no mail can
//   hold the window for long, and says so in a note above the text when it cut something;
// - a click on an "app:" link is cancelled and goes to AppCommand, which does nothing; a
//   link to a place in the message itself scrolls there; a web or mail address
//   (http, https, mailto) goes to ExternalLinkClicked, to be opened by the desktop, unless
//   the program runs as root: then it goes to LinkNotOpened with every other link, and the
//   window shows the address instead of opening it.
// UI thread only.

#include <QTextBrowser>
#include <QUrl>
#include <optional>
#include <string>

class QLabel;

class CHtmlCtrl : public QTextBrowser {
  Q_OBJECT
 public:
  explicit CHtmlCtrl(QWidget* parent = nullptr);

  // Shows `text` as the document. `codePage` is the code page the stream carries it in;
  // UTF-8 carries every character of the text.
  void LoadHtml(const std::u16string& text, int codePage = 65001);

  // The text as the stream delivered it, the last time LoadHtml ran (before any cut).
  const QString& LoadedText() const { return m_strLoaded; }
  // True when the last LoadHtml laid out only a part of the text.
  bool IsShortened() const { return m_bShortened; }
  // The note shown above a shortened text.
  static QString ShortenedNote();

  // Every resource request ends here and is refused.
  QVariant loadResource(int type, const QUrl& name) override;

  // True when `url` is an application link ("app:" in any case).
  static bool IsAppLink(const QUrl& url);
  // True when a click on `url` may open it with the desktop's handler: a web or mail
  // address, and the program not running as root.
  static bool OpensOutside(const QUrl& url, bool runningAsRoot);
  // geteuid() == 0, unless a test decided otherwise.
  static bool RunningAsRoot();
  static void SetRunningAsRootForTesting(std::optional<bool> asRoot);

 signals:
  // A link the desktop may open was clicked.
  void ExternalLinkClicked(const QUrl& url);
  // A link that is not to be opened was clicked: the window shows its address.
  void LinkNotOpened(const QUrl& url);
  // An "app:" link was clicked and cancelled; `command` is what follows "app:".
  void AppCommand(const QString& command);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnAnchorClicked(const QUrl& url);
  void PlaceNote();

  QString m_strLoaded;
  bool m_bShortened = false;
  QLabel* m_pNote = nullptr;  // "previewNote", above the text while it is shortened
};
