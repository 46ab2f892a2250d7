#include "mail/extract.h"
#include "mail/render.h"
#include "scan/mail_item.h"

std::string RenderMailText(const tagMailItem& item) {
  std::string out;
  out.reserve(item.strSubject.size() + item.strFrom.size() + item.strTo.size() + item.strDate.size() + 64);
  out += "Subject: " + item.strSubject + "\r\n";
  out += "From: " + item.strFrom + "\r\n";
  out += "To: " + item.strTo + "\r\n";
  out += "Date: " + item.strDate + "\r\n";
  out += "---------- Text ---------\r\n";
  auto guard = item.Lock();
  out += item.strBody;
  return out;
}

std::string RenderMailEml(const tagMailItem& item, CDisk* disk, const std::atomic<int>* stop) {
  std::string text;
  ReadStoredMail(item, disk, stop, text);
  return text;
}
