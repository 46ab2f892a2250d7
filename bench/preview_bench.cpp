// The preview pane given hostile mail: the time from LoadHtml to the first paint of a
// shown preview, for documents built to be slow to lay out. Each is cut by
// LimitPreviewHtml; BM_Limit is the cut alone.
//   build/release/bench/preview_bench            (runs offscreen unless a display is set)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <string>

#include "ui/html_ctrl.h"
#include "ui/preview_limit.h"

namespace {

std::u16string Repeat(const std::u16string& s, size_t bytes) {
  std::u16string out;
  out.reserve(bytes + s.size());
  while (out.size() < bytes) out += s;
  return out;
}

constexpr size_t kMiB = 1024 * 1024;

std::u16string Document(int kind) {
  switch (kind) {
    case 0:  // 5 MB of tables nested in tables
      return Repeat(u"<table><tr><td>", 5 * kMiB);
    case 1:  // one table of 5 MB, four cells a row
      return u"<table>" + Repeat(u"<tr><td>a</td><td>b</td><td>c</td><td>d</td></tr>", 5 * kMiB) + u"</table>";
    case 2:  // a single line of 5 MB
      return u"<pre>" + Repeat(u"abcdefghij", 5 * kMiB) + u"</pre>";
    case 3:  // 5 MB of unclosed font elements
      return Repeat(u"<font color=red>x", 5 * kMiB);
    case 4:  // 5 MB of paragraphs
      return Repeat(u"<p>Lorem ipsum dolor sit amet, 中文邮件正文。</p>", 5 * kMiB);
    case 5:  // a newsletter: tables five deep, 200 cells
      return u"<table><tr><td><table><tr><td><table><tr><td><table><tr><td><table>" +
             Repeat(u"<tr><td>a</td><td>b</td></tr>", 100 * 29) +
             u"</table></td></tr></table></td></tr></table></td></tr></table></td></tr></table>";
    case 6:  // paragraphs whose style sheet gives each a huge margin
      return u"<style>p { margin: 100000px }</style>" + Repeat(u"<p>x</p>", kMiB);
    default:  // 900,000 line breaks
      return u"<pre>" + std::u16string(900000, u'\n') + u"</pre>";
  }
}

const char* const kNames[] = {"nested_tables_5MB", "flat_table_5MB", "single_line_5MB",   "nested_fonts_5MB",
                              "paragraphs_5MB",    "newsletter",     "sheet_margins_1MB", "line_breaks_900k"};

void BM_LoadAndPaint(benchmark::State& state) {
  const std::u16string doc = Document(int(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  CHtmlCtrl ctrl;
  ctrl.resize(900, 500);
  ctrl.show();
  QApplication::processEvents();
  for (auto _ : state) {
    ctrl.LoadHtml(doc);
    ctrl.repaint();
    // And the end of it.
    ctrl.verticalScrollBar()->setValue(ctrl.verticalScrollBar()->maximum());
    ctrl.repaint();
  }
  state.counters["shortened"] = ctrl.IsShortened();
}
BENCHMARK(BM_LoadAndPaint)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

void BM_Limit(benchmark::State& state) {
  const QString doc = QString::fromStdU16String(Document(int(state.range(0))));
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) benchmark::DoNotOptimize(LimitPreviewHtml(doc));
  state.SetBytesProcessed(int64_t(state.iterations()) * doc.size() * 2);
}
BENCHMARK(BM_Limit)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
