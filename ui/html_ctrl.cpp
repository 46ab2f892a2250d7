#include "ui/html_ctrl.h"

#include <QByteArray>

#include "mime/codepage.h"
#include "ui/stream_on_string.h"

CHtmlCtrl::CHtmlCtrl(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("preview"));
  // Links are never followed inside the control: every click comes to OnAnchorClicked.
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setSearchPaths({});
  connect(this, &QTextBrowser::anchorClicked, this, &CHtmlCtrl::OnAnchorClicked);
}

void CHtmlCtrl::LoadHtml(const std::u16string& text, int codePage) {
  CStreamOnCString stream(text, codePage);
  void* unknown = nullptr;
  if (stream.QueryInterface(CStreamOnCString::Interface::Stream, &unknown) != CStreamOnCString::kOk) return;
  // Read the stream in pieces to its end, as a document loader does.
  std::string bytes;
  char piece[65536];
  for (;;) {
    uint32_t got = 0;
    const auto r = stream.Read(piece, sizeof piece, &got);
    bytes.append(piece, got);
    if (r != CStreamOnCString::kOk) break;
  }
  stream.Release();
  const std::u16string wide = MultiByteToWide(codePage, bytes);
  m_strLoaded = QString::fromStdU16String(wide);
  setHtml(m_strLoaded);
}

QVariant CHtmlCtrl::loadResource(int, const QUrl&) { return {}; }

bool CHtmlCtrl::IsAppLink(const QUrl& url) {
  return url.toString().left(4).compare(QLatin1String("app:"), Qt::CaseInsensitive) == 0;
}

void CHtmlCtrl::OnAnchorClicked(const QUrl& url) {
  if (IsAppLink(url)) {
    emit AppCommand(url.toString().mid(4));
    return;
  }
  emit ExternalLinkClicked(url);
}
