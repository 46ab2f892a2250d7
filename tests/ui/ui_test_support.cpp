#include "tests/ui/ui_test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "scan/mail_item.h"
#include "scan/scan_state.h"

CUserPrompts::Answer CScriptedPrompts::Ask(QWidget*, const QString& text, Buttons buttons) {
  questions << text;
  if (!answers.empty()) {
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

namespace {

std::string Base64(const std::string& in) {
  static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8) |
                       static_cast<unsigned char>(in[i + 2]);
    out += k[v >> 18];
    out += k[(v >> 12) & 63];
    out += k[(v >> 6) & 63];
    out += k[v & 63];
  }
  if (i + 1 == in.size()) {
    const unsigned v = static_cast<unsigned char>(in[i]) << 16;
    out += k[v >> 18];
    out += k[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == in.size()) {
    const unsigned v = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8);
    out += k[v >> 18];
    out += k[(v >> 12) & 63];
    out += k[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

}  // namespace

std::string MakeMailImage(const std::vector<tagTestMail>& mails) {
  std::string image(8 * 512, '\0');
  int day = 1;
  for (const tagTestMail& m : mails) {
    const std::string date = "Tue, " + std::to_string(day) + " Mar 2013 09:08:07 +0800";
    ++day;
    std::string text = "Received: from mx.example.org by mail.example.org; " + date + "\r\n" + "From: " + m.strFrom +
                       "\r\n" + "To: " + m.strTo + "\r\n" + "Subject: =?utf-8?B?" + Base64(m.strSubject) + "?=\r\n" +
                       "Date: " + date + "\r\n" + "MIME-Version: 1.0\r\n" +
                       "Content-Type: text/plain; charset=\"utf-8\"\r\n" + "Content-Transfer-Encoding: base64\r\n\r\n" +
                       Base64(m.strBody) + "\r\n\r\n";
    text.resize((text.size() + 511) / 512 * 512, '\0');
    image += text;
    image += std::string(8 * 512, '\0');
  }
  return image;
}

QString WriteTempFile(const QString& name, const std::string& bytes) {
  // One directory for the test program's files, removed with everything in it when the
  // program ends: a check that fails half-way through a test leaves nothing behind.
  static const QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("korvane-ui-XXXXXX")));
  const QString path = dir.filePath(name);
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  return path;
}

ChunkConsumer MakeFakeConsumer(CMailView* view, int count, std::atomic<int>* gate) {
  auto made = std::make_shared<int>(0);
  return [view, count, gate, made](uint8_t* chunk, size_t, uint64_t firstSector, const std::atomic<int>& stop,
                                   const uint64_t*) {
    if (!chunk) return;  // the end of the chunks
    while (*made < count && !stop.load()) {
      if (gate) {
        while (gate->load() <= *made && !stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (stop.load()) return;
      }
      ++*made;
      auto* item = new tagMailItem;
      const std::string n = std::to_string(*made);
      const std::u16string n16(n.begin(), n.end());
      item->strSubject = "Mail " + n;
      item->strSubjectW = u"Mail " + n16;
      item->strFromW = u"sender" + n16 + u"@example.org";
      item->strToW = u"to@example.org";
      item->strDate = "2013-03-0" + n + " 09:08:07";
      item->nSector = firstSector + static_cast<uint64_t>(*made);
      item->nPriority = *made == 1 ? 1 : 0;
      g_MailStore.Add(item);
      g_nMailCount = *made;
      g_bUnsaved = 1;
      AddMailToInbox(view, item);
    }
  };
}
