#pragma once
// The three renderings of a recovered message: the preview (HTML), the EML rendering (the
// stored text, byte for byte) and the text rendering.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

class CDisk;
struct tagMailItem;

// "1024 B", "1.0 KB", "1.0 MB"; empty for sizes not above 0 or above 1 GiB.
std::u16string FormatSizeText(int32_t size);

// "<pre>" + one line of "附件： %s， 大小 %s" per attachment + a line of 60 hyphens + "</pre>",
// in the ANSI code page; empty for a message without attachments.
std::string BuildAttachmentBlock(const tagMailItem& item);

// The part of `text` (lower-cased copy `lower`) whose content type stands at `pos`,
// transfer-decoded. False when its header or data end cannot be found or it is empty.
bool ExtractPreviewPart(const std::string& text, const std::string& lower, size_t pos, std::string_view endMarker,
                        std::string& part);

struct tagMailPreview {
  bool bShow = false;      // false: the preview stays empty
  std::u16string strHtml;  // the preview document
  int nCodePage = 0;       // code page the part was shown in
};
// The preview of a record: re-reads the message from g_strSourcePath and renders it.
tagMailPreview BuildMailPreview(const tagMailItem& item);
// The preview of a message text already read back, with the record's attachment block
// (BuildAttachmentBlock). The part is shown in the charset it declares (its charset
// parameter, else an HTML meta charset, else the ANSI code page); the attachment block is
// read in the ANSI code page.
tagMailPreview RenderMailPreview(const std::string& text, const std::string& attachmentBlock);

// The stored text (empty when nothing could be rendered). `disk` and `stop` may be null.
std::string RenderMailEml(const tagMailItem& item, CDisk* disk, const std::atomic<int>* stop);
// "Subject: ...\r\nFrom: ...\r\nTo: ...\r\nDate: ...\r\n---------- Text ---------\r\n" + body.
std::string RenderMailText(const tagMailItem& item);
