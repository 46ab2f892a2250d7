#include "res/string_table.h"

#include <map>

namespace {

const std::map<int, std::u16string>& Table() {
  static const std::map<int, std::u16string> table = {
      {101, u"关于 Korvane(&A)..."},
      {103, u"数据源： %s \r\n位  置： %u 扇区"},
      {104, u"重新扫描将会放弃上一次扫描的结果。\r\n您是否要重新扫描？"},
      {106, u"正在扫描数据，您是否要继续扫描数据？\r\n点击“是”回到主界面继续扫描。点击“否”停止扫描，直接退出。"},
      {112, u"无法打开所选的数据源。\r\n设备可能已被移除，或者没有读取它的权限。请重新选择。"},
      {135, u"请选择一目录来保存数据，建议保存到别的分区或者硬盘上。\r\n不要将数据保存到待恢复的分区上。"},
      {141, u"本地磁盘"},
      {142, u"镜像文件"},
      {149, u"扫描到邮件，建议先保存数据再退出。\r\n点击“确定”，回到主界面保存数据。点击“取消”直接退出。"},
      {150,
       u"没有找到可以打开的分区或硬盘。\r\n读取硬盘需要管理员（root）权限，请以 root "
       u"身份运行本程序，或者打开一个磁盘镜像文件。"},
      {158, u"发件人"},
      {159, u"主题"},
      {160, u"本地文件夹"},
      {161, u"收件箱"},
      {162, u"接收时间"},
      {163, u"找到 %d 封邮件"},
      {164, u"（无主题）"},
      {165, u"附件： %s， 大小 %s"},
      {173, u"正在处理 %u 块，总共 %u 个块"},
      {174, u"保存文件失败！"},
      {175, u"成功保存 %d 封邮件！"},
      {176, u"正在保存 【%s】"},
      {177, u"创建目录失败！\r\n%s"},
  };
  return table;
}

}  // namespace

const std::u16string& LoadStringW(int id) {
  static const std::u16string empty;
  const auto& t = Table();
  auto it = t.find(id);
  return it == t.end() ? empty : it->second;
}

std::u16string FormatStringW(const std::u16string& fmt, std::initializer_list<std::u16string> args) {
  std::u16string out;
  out.reserve(fmt.size() + 32);
  auto arg = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    char16_t c = fmt[i];
    if (c == u'%' && i + 1 < fmt.size()) {
      char16_t k = fmt[i + 1];
      if (k == u's' || k == u'd' || k == u'u') {
        if (arg != args.end()) out += *arg++;
        ++i;
        continue;
      }
      if (k == u'%') {
        out += u'%';
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

std::u16string NumW(long long n) {
  std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}
