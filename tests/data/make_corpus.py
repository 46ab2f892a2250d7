#!/usr/bin/env python3
"""Writes the test corpus tests/data/mail/*.eml (CR LF line ends, charsets encoded for real).

Every name, address and host here is invented; hosts use example.com/.net/.org and the
192.0.2.0/24 documentation network. The output is committed; run this again only to change
the corpus (it is deterministic):  python3 tests/data/make_corpus.py
"""
import base64
import os
import quopri
import random

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "mail")
rng = random.Random(20130305)


def b64lines(data):
    text = base64.b64encode(data).decode("ascii")
    return "\n".join(text[i:i + 76] for i in range(0, len(text), 76))


def qp(data):
    return quopri.encodestring(data).decode("ascii")


def ew(text, charset, kind="B"):
    raw = text.encode(charset)
    if kind == "B":
        return "=?%s?B?%s?=" % (charset, base64.b64encode(raw).decode("ascii"))
    body = "".join("=%02X" % b if b > 126 or b < 33 or b in b"=?_" else chr(b) for b in raw)
    return "=?%s?Q?%s?=" % (charset, body)


def blob(n):
    return bytes(rng.randrange(256) for _ in range(n))


def received(i, day="Tue, 05 Mar 2013", time="09:08:07", zone="+0800"):
    return ("Received: from relay%d.example.net (relay%d.example.net [192.0.2.%d])\n"
            "\tby mx%d.example.com with ESMTP id 7C1%04X; %s %s %s\n" % (i, i, 10 + i, i, i * 4099 % 65536, day, time, zone))


def header(frm, to, subject, date, extra="", pre="", nrecv=2, after=""):
    h = pre
    for i in range(nrecv, 0, -1):
        h += received(i)
    h += extra
    h += "From: %s\nTo: %s\n" % (frm, to)
    if subject is not None:
        h += "Subject: %s\n" % subject
    h += "Date: %s\nMessage-ID: <%08x.%d@mail.example.com>\nMIME-Version: 1.0\n" % (date, rng.getrandbits(32), rng.randrange(1000))
    return h + after


def attachment(boundary, name, data, ctype="application/octet-stream", quote=True, encoding="base64", disposition="attachment"):
    fn = '"%s"' % name if quote else name
    if encoding == "base64":
        body = b64lines(data)
    else:
        body = qp(data).rstrip("\n")
    return ("--%s\nContent-Type: %s;\n\tname=%s\nContent-Transfer-Encoding: %s\n"
            "Content-Disposition: %s;\n\tfilename=%s\n\n%s\n\n" % (boundary, ctype, fn, encoding, disposition, fn, body))


def text_part(boundary, text, charset="us-ascii", encoding="7bit", subtype="plain"):
    raw = text.encode(charset)
    if encoding == "base64":
        body = b64lines(raw)
    elif encoding == "quoted-printable":
        body = qp(raw).rstrip("\n")
    else:
        body = raw.decode("latin-1")
    return ("--%s\nContent-Type: text/%s; charset=\"%s\"\nContent-Transfer-Encoding: %s\n\n%s\n\n"
            % (boundary, subtype, charset, encoding, body))


messages = {}  # name -> text (latin-1 string standing for bytes, LF line ends)


def add(name, text):
    assert name not in messages
    messages[name] = text


def single(name, frm, to, subject, date, body, charset, encoding, **kw):
    raw = body.encode(charset)
    if encoding == "base64":
        b = b64lines(raw)
    elif encoding == "quoted-printable":
        b = qp(raw).rstrip("\n")
    else:
        b = raw.decode("latin-1")
    h = header(frm, to, subject, date, **kw)
    h += "Content-Type: text/plain; charset=\"%s\"\nContent-Transfer-Encoding: %s\n\n" % (charset, encoding)
    add(name, h + b + "\n")


def lat(s, charset):
    """A header text in `charset`, as the latin-1 string that stands for its bytes."""
    return s.encode(charset).decode("latin-1")


# --- single-part messages in each charset -----------------------------------------------
single("01-plain-ascii.eml", "Alden Rook <alden.rook@example.com>", "Mira Voss <mira.voss@example.org>",
       "Quarterly figures", "Tue, 05 Mar 2013 09:08:07 +0800",
       "Mira,\n\nThe figures for the quarter are attached to the shared folder.\nLet me know what you think.\n\nAlden", "us-ascii", "7bit")
single("02-gb2312-base64.eml", lat("林晓雯", "gb2312") + " <lin.xiaowen@mail.example.com>", "chen.zhiyuan@example.net",
       ew("项目进度报告", "gb2312"), "Wed, 06 Mar 2013 10:15:00 +0800",
       "志远：\n\n本周项目进度正常，下周一开会讨论测试计划。\n\n晓雯", "gb2312", "base64")
single("03-gb2312-8bit.eml", "=?gb2312?B?" + base64.b64encode("王海涛".encode("gb2312")).decode() + "?= <wang.haitao@example.com>",
       "zhao.li@example.org", lat("会议通知", "gb2312"), "Thu, 07 Mar 2013 14:30:00 +0800",
       "各位同事：\n\n周五下午三点在二楼会议室开会，请准时参加。\n\n谢谢！", "gb2312", "8bit")
single("04-gbk-quoted-printable.eml", "sun.lei@example.com", "=?gbk?B?" + base64.b64encode("周敏".encode("gbk")).decode() + "?= <zhou.min@example.net>",
       ew("关于镕基金的说明", "gbk"), "Fri, 08 Mar 2013 08:00:00 +0800",
       "周敏你好：\n\n附上关于镕基金的说明，请查收。\n\n孙磊", "gbk", "quoted-printable")
single("05-big5-8bit.eml", "huang.jiahao@example.org", "tsai.yiting@example.com",
       lat("年度報告草稿", "big5"), "Sat, 09 Mar 2013 11:20:33 +0800",
       "怡婷：\n\n年度報告草稿已完成，請於週一前回覆意見。\n\n家豪", "big5", "8bit")
single("06-big5-base64.eml", "=?big5?B?" + base64.b64encode("黃家豪".encode("big5")).decode() + "?= <huang.jiahao@example.org>",
       "lee.meiling@example.com", ew("請確認訂單", "big5"), "Sun, 10 Mar 2013 16:45:00 +0800",
       "美玲您好：\n\n請確認附件中的訂單內容，謝謝。", "big5", "base64")
single("07-utf8-8bit.eml", "Ines Kowal <ines.kowal@example.com>", "Tomas Brandt <tomas.brandt@example.net>",
       ew("Grüße aus Köln – 会议纪要", "utf-8"), "Mon, 11 Mar 2013 07:05:09 +0100",
       "Hallo Tomas,\n\nanbei die Notizen. 会议纪要见下。\n\nViele Grüße\nInes", "utf-8", "8bit")
single("08-utf8-quoted-printable.eml", "ines.kowal@example.com", "mira.voss@example.org",
       ew("Résumé der Woche", "utf-8", "Q"), "Tue, 12 Mar 2013 18:00:00 +0100",
       "Liebe Mira,\n\ndie Woche war lang: Änderungen überall, naïve Pläne, café au lait.\nEin sehr langer Satz, der über die zulässige Zeilenlänge hinausgeht und deshalb weich umbrochen werden muss.\n\nInes", "utf-8", "quoted-printable")
single("09-utf8-base64.eml", lat("刘洋", "utf-8") + " <liu.yang@example.com>", "ma.jing@example.net",
       ew("周末聚餐", "utf-8"), "Wed, 13 Mar 2013 12:12:12 +0800",
       "马静：\n\n周六晚上七点，老地方见。\n\n刘洋", "utf-8", "base64")
single("10-iso8859-1-quoted-printable.eml", "Renée Dufour <renee.dufour@example.org>".encode("iso-8859-1").decode("latin-1"),
       "Joël Marchand <joel.marchand@example.com>".encode("iso-8859-1").decode("latin-1"),
       ew("Réunion à Genève", "iso-8859-1", "Q"), "Thu, 14 Mar 2013 09:30:00 +0100",
       "Bonjour Joël,\n\nLa réunion aura lieu à Genève, salle Léman.\n\nÀ bientôt,\nRenée", "iso-8859-1", "quoted-printable")
single("11-iso8859-1-8bit.eml", "pal.sandor@example.net", "greta.holm@example.com",
       "Smörgåsbord på fredag".encode("iso-8859-1").decode("latin-1"), "Fri, 15 Mar 2013 15:00:00 +0100",
       "Hej Greta,\n\nVi ses på fredag för smörgåsbord.\n\nPál", "iso-8859-1", "8bit")
single("12-koi8r-8bit.eml", "=?koi8-r?B?" + base64.b64encode("Олег Смирнов".encode("koi8-r")).decode() + "?= <oleg.smirnov@example.org>",
       "anna.petrova@example.com", ew("Отчёт за март".replace("ё", "е"), "koi8-r"), "Sat, 16 Mar 2013 10:00:00 +0300",
       "Анна,\n\nОтчет за март готов, посмотрите, пожалуйста.\n\nОлег", "koi8-r", "8bit")
single("13-koi8r-base64.eml", "anna.petrova@example.com", "oleg.smirnov@example.org",
       lat("Re: Отчет за март", "koi8-r"), "Sun, 17 Mar 2013 11:11:11 +0300",
       "Олег,\n\nСпасибо, все получила.\n\nАнна", "koi8-r", "base64")
single("14-shift-jis-base64.eml", "=?shift_jis?B?" + base64.b64encode("佐藤健".encode("shift_jis")).decode() + "?= <sato.ken@example.com>",
       "tanaka.yumi@example.net", ew("打ち合わせの件", "shift_jis"), "Mon, 18 Mar 2013 13:00:00 +0900",
       "田中様\n\n明日の打ち合わせは十時からでお願いします。\n\n佐藤", "shift_jis", "base64")
single("15-shift-jis-8bit.eml", "tanaka.yumi@example.net", "sato.ken@example.com",
       lat("Re: 打ち合わせの件", "shift_jis"), "Tue, 19 Mar 2013 09:45:00 +0900",
       "佐藤様\n\n承知しました。よろしくお願いいたします。\n\n田中", "shift_jis", "8bit")

# --- multipart/mixed with 1, 2, 3 attachments ------------------------------------------
def mixed(name, frm, to, subject, date, text, atts, charset="us-ascii", encoding="7bit", quote_boundary=True,
          boundary=None, ctype_folded=True, **kw):
    boundary = boundary or "----=_Part_%06d_%d" % (rng.randrange(10 ** 6), len(messages))
    bq = '"%s"' % boundary if quote_boundary else boundary
    h = header(frm, to, subject, date, **kw)
    if ctype_folded:
        h += "Content-Type: multipart/mixed;\n\tboundary=%s\n\n" % bq
    else:
        h += "Content-Type: multipart/mixed; boundary=%s\n\n" % bq
    body = "This is a multi-part message in MIME format.\n\n" + text_part(boundary, text, charset, encoding)
    for a in atts:
        body += attachment(boundary, *a[:2], **(a[2] if len(a) > 2 else {}))
    add(name, h + body + "--%s--\n" % boundary)


mixed("16-mixed-one-attachment.eml", "Alden Rook <alden.rook@example.com>", "mira.voss@example.org", "Invoice 2013-031",
      "Wed, 20 Mar 2013 10:00:00 +0000", "Please find the invoice attached.", [("invoice-2013-031.pdf", blob(3000))])
mixed("17-mixed-two-attachments.eml", lat("林晓雯", "gb2312") + " <lin.xiaowen@mail.example.com>", "chen.zhiyuan@example.net",
      ew("测试报告和数据", "gb2312"), "Thu, 21 Mar 2013 17:30:00 +0800", "附件是测试报告和原始数据。",
      [("report.doc", blob(5120)), ("data.xls", blob(777))], charset="gb2312", encoding="base64")
mixed("18-mixed-three-attachments.eml", "Tomas Brandt <tomas.brandt@example.net>", "Ines Kowal <ines.kowal@example.com>",
      "Photos from the trip", "Fri, 22 Mar 2013 20:00:00 +0100", "Three photos, as promised.",
      [("photo1.jpg", blob(4000), {"ctype": "image/jpeg"}), ("photo2.jpg", blob(2345), {"ctype": "image/jpeg"}),
       ("notes.txt", blob(10), {"ctype": "text/plain"})])

# --- multipart/alternative -----------------------------------------------------------
def alternative(name, frm, to, subject, date, plain, html, charset="utf-8", html_first=False, boundary=None, **kw):
    boundary = boundary or "=_alt_%08x" % rng.getrandbits(32)
    h = header(frm, to, subject, date, **kw)
    h += 'Content-Type: multipart/alternative; boundary="%s"\n\n' % boundary
    parts = [text_part(boundary, plain, charset, "quoted-printable"), text_part(boundary, html, charset, "base64", "html")]
    if html_first:
        parts.reverse()
    add(name, h + "".join(parts) + "--%s--\n" % boundary)


alternative("19-alternative-text-html.eml", "news@example.org", "mira.voss@example.org", "Spring newsletter",
            "Sat, 23 Mar 2013 06:00:00 +0000", "Spring is here.\nRead the full newsletter online.",
            "<html><body><p>Spring is <b>here</b>.</p></body></html>")
alternative("20-alternative-html-first.eml", "ma.jing@example.net", lat("刘洋", "utf-8") + " <liu.yang@example.com>",
            ew("回复：周末聚餐", "utf-8"), "Sun, 24 Mar 2013 21:00:00 +0800", "好的，周六见。",
            "<html><body><p>好的，<b>周六见</b>。</p></body></html>", html_first=True)


def mixed_alternative(name, frm, to, subject, date, plain, html, atts, charset="utf-8", **kw):
    outer = "----=_NextPart_000_%04X_%08X" % (rng.getrandbits(16), rng.getrandbits(32))
    inner = "----=_NextPart_001_%04X_%08X" % (rng.getrandbits(16), rng.getrandbits(32))
    h = header(frm, to, subject, date, **kw)
    h += 'Content-Type: multipart/mixed;\n\tboundary="%s"\n\n' % outer
    body = "This is a multi-part message in MIME format.\n\n--%s\nContent-Type: multipart/alternative;\n\tboundary=\"%s\"\n\n" % (outer, inner)
    body += text_part(inner, plain, charset, "base64") + text_part(inner, html, charset, "base64", "html")
    body += "--%s--\n\n" % inner
    for a in atts:
        body += attachment(outer, *a[:2], **(a[2] if len(a) > 2 else {}))
    add(name, h + body + "--%s--\n" % outer)


mixed_alternative("21-mixed-alternative-attachments.eml", lat("陈志远", "gbk") + " <chen.zhiyuan@example.net>",
                  "lin.xiaowen@mail.example.com", ew("合同草案（第二版）", "gbk"), "Mon, 25 Mar 2013 09:00:00 +0800",
                  "晓雯：\n合同草案第二版见附件。", "<html><body>晓雯：<br>合同草案第二版见附件。</body></html>",
                  [("contract-v2.doc", blob(6000)), ("price-list.xls", blob(1500))], charset="gbk")
mixed_alternative("22-mixed-alternative-one-attachment.eml", "Renée Dufour <renee.dufour@example.org>".encode("iso-8859-1").decode("latin-1"),
                  "joel.marchand@example.com", "Plan de salle", "Tue, 26 Mar 2013 14:00:00 +0100",
                  "Voici le plan.", "<p>Voici le <i>plan</i>.</p>", [("plan.png", blob(2222), {"ctype": "image/png"})], charset="iso-8859-1")

# --- encoded words, folding ----------------------------------------------------------
single("23-encoded-subject-folded.eml", "liu.yang@example.com", "ma.jing@example.net",
       ew("关于下周", "utf-8") + "\n " + ew("项目评审会议", "utf-8") + "\n " + ew("的安排", "utf-8"),
       "Wed, 27 Mar 2013 08:30:00 +0800", "详见正文。", "utf-8", "8bit")
single("24-encoded-names-folded.eml", '"' + ew("王海涛", "gb2312") + '" <wang.haitao@example.com>',
       ew("赵丽", "gb2312") + " <zhao.li@example.org>,\n\t" + ew("孙磊", "gb2312") + " <sun.lei@example.com>",
       ew("年终总结", "gb2312") + " " + ew("（初稿）", "gb2312"), "Thu, 28 Mar 2013 16:00:00 +0800",
       "请各位审阅。", "gb2312", "base64")
single("25-plain-subject-folded.eml", "alden.rook@example.com", "mira.voss@example.org",
       "A rather long subject line that goes on and on about the budget\n for next year and the one after", "Fri, 29 Mar 2013 10:10:10 +0000",
       "Short body.", "us-ascii", "7bit")
single("26-encoded-subject-q-multiword.eml", "renee.dufour@example.org", "joel.marchand@example.com",
       ew("Café", "iso-8859-1", "Q") + " " + ew("crème brûlée", "iso-8859-1", "Q"), "Sat, 30 Mar 2013 12:00:00 +0100",
       "Miam.", "iso-8859-1", "8bit")

# --- header fields the scan reads -----------------------------------------------------
single("27-x-priority-high.eml", "boss@example.com", "alden.rook@example.com", "Urgent: server down",
       "Sun, 31 Mar 2013 03:14:15 +0000", "Please call me.", "us-ascii", "7bit",
       after="X-Priority: 1 (Highest)\nX-MSMail-Priority: High\nImportance: High\n")
single("28-x-priority-low.eml", "newsletter@example.org", "mira.voss@example.org", "Weekly digest",
       "Mon, 01 Apr 2013 05:00:00 +0000", "Nothing urgent.", "us-ascii", "7bit", after="X-Priority: 5 (Lowest)\n")
single("29-x-attachment-lines.eml", "chen.zhiyuan@example.net", "lin.xiaowen@mail.example.com", ew("附件列表", "gb2312"),
       "Tue, 02 Apr 2013 09:00:00 +0800", "附件已上传到服务器。", "gb2312", "base64",
       after="X-Attachment: budget.xls, 20480\nX-Attachment: " + ew("说明", "gb2312") + ".doc, 4096\nX-Attachment: nosize.txt\n")
single("30-delivered-to-return-path.eml", "Mira Voss <mira.voss@example.org>", "Alden Rook <alden.rook@example.com>",
       "Re: Quarterly figures", "Wed, 03 Apr 2013 11:00:00 +0000", "Alden,\n\nLooks good.\n\nMira", "us-ascii", "7bit",
       pre="Delivered-To: alden.rook@example.com\nReturn-Path: <mira.voss@example.org>\n", nrecv=2)
single("31-several-received.eml", "pal.sandor@example.net", "greta.holm@example.com", "Through many hands",
       "Thu, 04 Apr 2013 13:13:13 +0200", "This one passed four relays.", "us-ascii", "7bit", nrecv=4)
single("32-received-only-first-line.eml", "greta.holm@example.com", "pal.sandor@example.net", "Re: Through many hands",
       "Fri, 05 Apr 2013 08:08:08 +0200", "Indeed.", "us-ascii", "7bit", nrecv=1)
single("49-received-only-gb2312.eml", "zhao.li@example.org", "wang.haitao@example.com", ew("收到，谢谢", "gb2312"),
       "Mon, 22 Apr 2013 10:20:30 +0800", "海涛：\n\n文件已收到。\n\n赵丽", "gb2312", "8bit", nrecv=1)
single("50-three-received-big5.eml", "lee.meiling@example.com", "huang.jiahao@example.org", ew("訂單已確認", "big5"),
       "Tue, 23 Apr 2013 14:40:00 +0800", "家豪您好：\n\n訂單已確認，謝謝。\n\n美玲", "big5", "quoted-printable", nrecv=3)
add("33-to-before-from.eml", received(1) + "To: mira.voss@example.org\nSubject: Order of fields\nDate: Sat, 06 Apr 2013 09:00:00 +0000\n"
    "From: alden.rook@example.com\nMIME-Version: 1.0\nContent-Type: text/plain; charset=us-ascii\n\nTo comes first here.\n")
single("34-cc-field.eml", "tomas.brandt@example.net", "ines.kowal@example.com", "Team lunch",
       "Sun, 07 Apr 2013 12:30:00 +0200", "Lunch at noon.", "us-ascii", "7bit",
       after="Cc: greta.holm@example.com, pal.sandor@example.net\n")
add("35-date-with-tab.eml", received(1) + "From: oleg.smirnov@example.org\nTo: anna.petrova@example.com\nSubject: Tab in date\n"
    "Date: Mon,\t08 Apr 2013 10:00:00 +0300\nContent-Type: text/plain; charset=us-ascii\n\nThe date has a tab.\n")
add("36-lower-case-field-names.eml", "received: from relay9.example.net (relay9.example.net [192.0.2.99])\n\tby mx9.example.com; Tue, 09 Apr 2013 10:00:00 +0000\n"
    "from: greta.holm@example.com\nto: mira.voss@example.org\nsubject: lower case names\ndate: Tue, 09 Apr 2013 10:00:00 +0000\n"
    "content-type: text/plain; charset=us-ascii\n\nField names in lower case.\n")
filler_fields = "".join("X-Filter-Trace-%02d: %s\n" % (i, base64.b64encode(blob(48)).decode()) for i in range(110))
single("37-long-header.eml", "list-admin@lists.example.org", "mira.voss@example.org", "[dev-list] Build broken again",
       "Wed, 10 Apr 2013 22:22:22 +0000", "The build is broken again.", "us-ascii", "7bit", after=filler_fields)

# --- boundaries and attachment forms ------------------------------------------------
mixed("38-boundary-unquoted.eml", "sun.lei@example.com", "zhou.min@example.net", "Unquoted boundary",
      "Thu, 11 Apr 2013 09:00:00 +0800", "One attachment, boundary without quotes.", [("table.csv", blob(640), {"ctype": "text/csv"})],
      quote_boundary=False, boundary="unquoted_b0und4ry_38")
mixed("39-boundary-one-line.eml", "sun.lei@example.com", "zhou.min@example.net", "Boundary on the Content-Type line",
      "Fri, 12 Apr 2013 09:00:00 +0800", "Boundary parameter on the same line.", [("a.bin", blob(100))], ctype_folded=False,
      boundary="sameline-boundary-39")
mixed("40-filename-unquoted.eml", "huang.jiahao@example.org", "tsai.yiting@example.com", "Unquoted file name",
      "Sat, 13 Apr 2013 10:00:00 +0800", "File name without quotes.", [("budget2013.xls", blob(999), {"quote": False})])
mixed("41-encoded-filename.eml", lat("林晓雯", "gb2312") + " <lin.xiaowen@mail.example.com>", "chen.zhiyuan@example.net",
      ew("会议照片", "gb2312"), "Sun, 14 Apr 2013 15:00:00 +0800", "照片见附件。",
      [(ew("会议照片", "gb2312") + ".jpg", blob(3333), {"ctype": "image/jpeg"})], charset="gb2312", encoding="base64")
mixed("42-qp-attachment.eml", "ines.kowal@example.com", "tomas.brandt@example.net", "Quoted-printable attachment",
      "Mon, 15 Apr 2013 09:00:00 +0200", "The notes are attached as text.",
      [("notes.txt", "Zeile eins\nZeile zwei mit Umlauten: äöü\n".encode("iso-8859-1"), {"ctype": "text/plain", "encoding": "quoted-printable"})])
mixed("43-inline-image.eml", "tomas.brandt@example.net", "ines.kowal@example.com", "Inline picture",
      "Tue, 16 Apr 2013 09:00:00 +0200", "The picture is inline, not an attachment.",
      [("inline.png", blob(500), {"ctype": "image/png", "disposition": "inline"})])
mixed("44-large-attachment.eml", "alden.rook@example.com", "mira.voss@example.org", "Full data set",
      "Wed, 17 Apr 2013 09:00:00 +0000", "The full data set, about 40 KB.", [("dataset.bin", blob(40000))])
single("45-empty-lines-in-body.eml", "mira.voss@example.org", "alden.rook@example.com", "Spacing",
       "Thu, 18 Apr 2013 09:00:00 +0000", "First paragraph.\n\nSecond, after one empty line.\n\n\nThird, after two.", "us-ascii", "7bit")
mixed("46-big5-text-gb2312-name.eml", "=?big5?B?" + base64.b64encode("蔡怡婷".encode("big5")).decode() + "?= <tsai.yiting@example.com>",
      "huang.jiahao@example.org", ew("附件：預算表", "big5"), "Fri, 19 Apr 2013 10:00:00 +0800", "預算表請見附件。",
      [(ew("预算表", "gb2312") + ".xls", blob(2048))], charset="big5", encoding="8bit")
add("47-no-received.eml", "From: draft@example.com\nTo: mira.voss@example.org\nSubject: A draft never sent\n"
    "Date: Sat, 20 Apr 2013 09:00:00 +0000\nContent-Type: text/plain; charset=us-ascii\n\nNo Received line: a scan cannot find this.\n")
mixed("48-mixed-koi8r-two-attachments.eml", "anna.petrova@example.com", "oleg.smirnov@example.org", ew("Документы", "koi8-r"),
      "Sun, 21 Apr 2013 10:00:00 +0300", "Олег, документы во вложении.",
      [("doc1.pdf", blob(1234)), ("doc2.pdf", blob(4321))], charset="koi8-r", encoding="quoted-printable",
      pre="Return-Path: <anna.petrova@example.com>\nDelivered-To: oleg.smirnov@example.org\n", nrecv=3)

os.makedirs(OUT, exist_ok=True)
for old in os.listdir(OUT):
    if old.endswith(".eml") and old not in messages:
        os.remove(os.path.join(OUT, old))
for name, text in sorted(messages.items()):
    data = text.encode("latin-1").replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print("%d messages written to %s" % (len(messages), OUT))
