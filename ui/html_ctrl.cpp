#include "ui/html_ctrl.h"

#include <unistd.h>

#include <QAbstractTextDocumentLayout>
#include <QByteArray>
#include <QLabel>
#include <QPainter>
#include <QTextDocument>
#include <QTextObjectInterface>

#include "codec/codepage.h"
#include "ui/preview_limit.h"
#include "ui/stream_on_string.h"

namespace {

// The preview's document. A QTextDocument whose owner refuses a resource still reads it
// itself (a data: URL, a local file, a path relative to the working directory); this one
// never does.
class CSealedDocument : public QTextDocument {
 public:
  using QTextDocument::QTextDocument;

 protected:
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

// Lays out every image of the preview as an empty frame of its given size (16 by 16
// pixels without one) and draws that frame. Qt's own image handler, when its document has
// no image for a name, loads the name from the disk itself (an absolute path, or a
// relative one from the working directory); this one loads nothing.
class CImagePlaceholders : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)
 public:
  using QObject::QObject;

  QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override {
    const QTextImageFormat image = format.toImageFormat();
    // A mail's sizes are untrusted too: kept within a screen or two.
    const auto side = [](qreal given) { return given > 0 ? std::min<qreal>(given, 4096) : 16; };
    return {side(image.width()), side(image.height())};
  }

  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat&) override {
    painter->save();
    painter->setPen(QColor(192, 192, 192));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    painter->restore();
  }
};

std::optional<bool> g_bRootForTesting;

}  // namespace

CHtmlCtrl::CHtmlCtrl(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("preview"));
  auto* document = new CSealedDocument(this);
  document->documentLayout()->registerHandler(QTextFormat::ImageObject, new CImagePlaceholders(document));
  setDocument(document);
  // Links are never followed inside the control: every click comes to OnAnchorClicked.
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setSearchPaths({});
  connect(this, &QTextBrowser::anchorClicked, this, &CHtmlCtrl::OnAnchorClicked);

  m_pNote = new QLabel(ShortenedNote(), this);
  m_pNote->setObjectName(QStringLiteral("previewNote"));
  m_pNote->setWordWrap(true);
  m_pNote->setMargin(4);
  m_pNote->setAutoFillBackground(true);
  QPalette pal = m_pNote->palette();
  pal.setColor(QPalette::Window, QColor(255, 244, 196));
  pal.setColor(QPalette::WindowText, QColor(96, 64, 0));
  m_pNote->setPalette(pal);
  m_pNote->hide();
}

QString CHtmlCtrl::ShortenedNote() {
  return QStringLiteral("邮件内容过长或过于复杂，预览只显示了前一部分。保存成eml文件后可查看完整内容。");
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
  tagPreviewHtml shown = LimitPreviewHtml(m_strLoaded);
  m_bShortened = shown.bShortened;
  m_pNote->setVisible(m_bShortened);
  PlaceNote();
  setHtml(shown.strHtml);
}

void CHtmlCtrl::PlaceNote() {
  if (!m_bShortened) {
    setViewportMargins(0, 0, 0, 0);
    return;
  }
  const int frame = frameWidth();
  const int width = std::max(0, this->width() - 2 * frame);
  const int height = m_pNote->heightForWidth(width);
  m_pNote->setGeometry(frame, frame, width, height > 0 ? height : m_pNote->sizeHint().height());
  setViewportMargins(0, m_pNote->height(), 0, 0);
}

void CHtmlCtrl::resizeEvent(QResizeEvent* event) {
  QTextBrowser::resizeEvent(event);
  PlaceNote();
}

QVariant CHtmlCtrl::loadResource(int, const QUrl&) { return {}; }

bool CHtmlCtrl::IsAppLink(const QUrl& url) {
  return url.toString().left(4).compare(QLatin1String("app:"), Qt::CaseInsensitive) == 0;
}

bool CHtmlCtrl::OpensOutside(const QUrl& url, bool runningAsRoot) {
  if (runningAsRoot) return false;
  const QString scheme = url.scheme().toLower();
  return (scheme == u"http" || scheme == u"https" || scheme == u"mailto") && url.isValid();
}

bool CHtmlCtrl::RunningAsRoot() { return g_bRootForTesting ? *g_bRootForTesting : geteuid() == 0; }

void CHtmlCtrl::SetRunningAsRootForTesting(std::optional<bool> asRoot) { g_bRootForTesting = asRoot; }

void CHtmlCtrl::OnAnchorClicked(const QUrl& url) {
  if (IsAppLink(url)) {
    emit AppCommand(url.toString().mid(4));
    return;
  }
  // A place in the message itself.
  if (url.isRelative() && url.path().isEmpty() && url.hasFragment()) {
    scrollToAnchor(url.fragment());
    return;
  }
  if (OpensOutside(url, RunningAsRoot())) {
    emit ExternalLinkClicked(url);
  } else {
    emit LinkNotOpened(url);
  }
}

#include "html_ctrl.moc"
