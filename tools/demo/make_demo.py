#!/usr/bin/env python3
"""Writes the demo messages tools/demo/*.eml (CR LF line ends). People, companies and hosts
are invented (example.com/.net/.org, 192.0.2.0/24). The output is committed; run again only
to change the demo:  python3 tools/demo/make_demo.py
"""
import base64
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(2013)


def ew(text, charset):
    return "=?%s?B?%s?=" % (charset, base64.b64encode(text.encode(charset)).decode())


def b64(data):
    t = base64.b64encode(data).decode()
    return "\n".join(t[i:i + 76] for i in range(0, len(t), 76))


def blob(n):
    return bytes(rng.randrange(256) for _ in range(n))


def head(frm, to, subject, date, hops=2, extra=""):
    h = ""
    for i in range(hops, 0, -1):
        h += ("Received: from smtp%d.example.net (smtp%d.example.net [192.0.2.%d])\n"
              "\tby mail.example.com with ESMTP id %08X; %s\n" % (i, i, 40 + i, rng.getrandbits(32), date))
    h += "From: %s\nTo: %s\nSubject: %s\nDate: %s\n%sMessage-ID: <%08x@example.com>\nMIME-Version: 1.0\n" % (
        frm, to, subject, date, extra, rng.getrandbits(32))
    return h


def plain(charset, text, enc="base64"):
    body = b64(text.encode(charset)) if enc == "base64" else text.encode(charset).decode("latin-1")
    return "Content-Type: text/plain; charset=\"%s\"\nContent-Transfer-Encoding: %s\n\n%s\n" % (charset, enc, body)


def with_attachments(charset, text, atts, html=None):
    outer = "----=_Demo_%08X" % rng.getrandbits(32)
    out = "Content-Type: multipart/mixed;\n\tboundary=\"%s\"\n\nThis is a multi-part message in MIME format.\n\n" % outer
    if html:
        inner = "----=_DemoAlt_%08X" % rng.getrandbits(32)
        out += "--%s\nContent-Type: multipart/alternative;\n\tboundary=\"%s\"\n\n" % (outer, inner)
        out += "--%s\n%s\n--%s\nContent-Type: text/html; charset=\"%s\"\nContent-Transfer-Encoding: base64\n\n%s\n\n--%s--\n\n" % (
            inner, plain(charset, text), inner, charset, b64(html.encode(charset)), inner)
    else:
        out += "--%s\n%s\n" % (outer, plain(charset, text))
    for name, ctype, data in atts:
        out += ("--%s\nContent-Type: %s;\n\tname=\"%s\"\nContent-Transfer-Encoding: base64\n"
                "Content-Disposition: attachment;\n\tfilename=\"%s\"\n\n%s\n\n" % (outer, ctype, name, name, b64(data)))
    return out + "--%s--\n" % outer


msgs = {
    "01-welcome.eml": head('"' + ew("Korvane 演示", "utf-8") + '" <demo@example.com>', "you@example.org",
                           ew("欢迎使用 Korvane 邮件恢复", "utf-8"), "Mon, 04 Mar 2013 08:00:00 +0800")
    + plain("utf-8", "您好！\n\n这是一封演示邮件。Korvane 在磁盘映像中找到了它。\n\n祝好"),
    "02-meeting.eml": head(ew("李建国", "gb2312") + " <li.jianguo@example.com>", "team@example.com",
                           ew("下周一部门例会", "gb2312"), "Tue, 05 Mar 2013 17:20:00 +0800")
    + plain("gb2312", "各位：\n\n下周一上午九点在三楼会议室召开部门例会，请准备本周工作总结。\n\n李建国", "8bit"),
    "03-invoice.eml": head("Billing <billing@shop.example.net>", "Mira Voss <mira.voss@example.org>",
                           "Your invoice INV-2013-0412", "Wed, 06 Mar 2013 10:00:00 +0000")
    + with_attachments("us-ascii", "Dear customer,\n\nyour invoice is attached.\n\nThe shop team",
                       [("INV-2013-0412.pdf", "application/pdf", blob(4500))]),
    "04-photos.eml": head(ew("周晓红", "gbk") + " <zhou.xiaohong@example.com>", ew("王磊", "gbk") + " <wang.lei@example.net>",
                          ew("周末爬山的照片", "gbk"), "Thu, 07 Mar 2013 21:30:00 +0800", hops=3)
    + with_attachments("gbk", "王磊：\n\n周末爬山的照片发给你，一共两张。\n\n晓红",
                       [("shan-1.jpg", "image/jpeg", blob(6000)), ("shan-2.jpg", "image/jpeg", blob(3800))],
                       html="<html><body><p>王磊：</p><p>周末爬山的照片发给你，一共两张。</p><p>晓红</p></body></html>"),
    "05-trip.eml": head(ew("陳美玲", "big5") + " <chen.meiling@example.org>", "huang.jiahao@example.org",
                        ew("出差行程確認", "big5"), "Fri, 08 Mar 2013 09:15:00 +0800")
    + plain("big5", "家豪：\n\n下週二出發，週五返回，機票和飯店已訂好。\n\n美玲"),
    "06-report.eml": head("Tomas Brandt <tomas.brandt@example.net>", ew("刘洋", "utf-8") + " <liu.yang@example.com>",
                          ew("月度销售报表（三月）", "utf-8"), "Sat, 09 Mar 2013 11:45:00 +0800",
                          extra="X-Priority: 1 (Highest)\n")
    + with_attachments("utf-8", "刘洋：\n\n三月份的销售报表在附件里，请在周一前确认。\n\nTomas",
                       [("sales-2013-03.xls", "application/vnd.ms-excel", blob(9000))]),
    "07-newsletter.eml": head("Garden Club <news@garden.example.org>", "mira.voss@example.org",
                              "Spring planting guide", "Sun, 10 Mar 2013 06:00:00 +0000")
    + with_attachments("us-ascii", "Spring is coming. Our planting guide is attached.", [("planting-guide.pdf", "application/pdf", blob(2500))],
                       html="<html><body><h1>Spring is coming</h1><p>Our planting guide is attached.</p></body></html>"),
    "08-parcel.eml": head(ew("快递服务", "gb2312") + " <notice@express.example.com>", "you@example.org",
                          ew("您的快递已到达", "gb2312"), "Mon, 11 Mar 2013 14:02:00 +0800")
    + plain("gb2312", "您好，您的快递已到达小区服务点，请凭取件码 6021 领取。"),
    "09-lunch.eml": head("Ines Kowal <ines.kowal@example.com>", "Tomas Brandt <tomas.brandt@example.net>",
                         "Re: Lunch on Friday", "Tue, 12 Mar 2013 12:05:00 +0100")
    + plain("us-ascii", "Friday at noon works for me. See you at the usual place.\n\nInes", "7bit"),
    "10-contract.eml": head(ew("赵敏", "utf-8") + " <zhao.min@example.com>", "legal@example.net",
                            ew("合同修改意见", "utf-8") + " " + ew("（第三稿）", "utf-8"), "Wed, 13 Mar 2013 16:40:00 +0800")
    + with_attachments("utf-8", "您好：\n\n合同第三稿的修改意见见附件。\n\n赵敏",
                       [(ew("合同修改意见", "utf-8") + ".doc", "application/msword", blob(7000))]),
}

for name, text in msgs.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(text.encode("latin-1").replace(b"\n", b"\r\n"))
print("%d demo messages written" % len(msgs))
