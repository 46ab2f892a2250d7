// The message list under a scan's load: rows inserted at the top of a shown list with
// the event loop running between insertions, one at a time or in batches as the main
// window takes a scan's messages in; and a sort of the whole list.
//   build/release/bench/list_bench            (runs offscreen unless a display is set)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <vector>

#include "controls/list_ctrl_ex.h"

namespace {

void AddColumns(UI::CListCtrlEx& list) {
  list.InsertColumn(0, QStringLiteral("!&"), Qt::AlignLeft, 25);
  list.InsertColumn(1, QStringLiteral("From"), Qt::AlignLeft, 200);
  list.InsertColumn(2, QStringLiteral("Date"), Qt::AlignLeft, 130);
  list.InsertColumn(3, QStringLiteral("Subject"), Qt::AlignLeft, 800);
}

void InsertRow(UI::CListCtrlEx& list, int i) {
  const int n = list.InsertItem(0, QStringLiteral(" "));
  list.SetItemText(n, 1, QStringLiteral("user%1@example.org").arg(i));
  list.SetItemText(n, 2, QStringLiteral("2013-03-05 09:08:07"));
  list.SetItemText(n, 3, QStringLiteral("Subject %1").arg(i * 7919 % 100003));
}

// Items per second: rows a scan can hand to the shown list.
void BM_InsertAtTopShown(benchmark::State& state) {
  const int nRows = int(state.range(0));
  for (auto _ : state) {
    UI::CListCtrlEx list;
    list.resize(900, 600);
    AddColumns(list);
    list.show();
    QApplication::processEvents();
    for (int i = 0; i < nRows; ++i) {
      InsertRow(list, i);
      QApplication::processEvents();
    }
  }
  state.SetItemsProcessed(state.iterations() * nRows);
}
BENCHMARK(BM_InsertAtTopShown)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The main window's way: rows go in as batches of range(1) rows (what arrived during one
// repaint interval), newest on top, the event loop running (and painting) after each.
// A batch of 100 per 40 ms interval is a scan finding 2,500 messages a second.
void BM_InsertBatchesShown(benchmark::State& state) {
  const int nRows = int(state.range(0));
  const int nBatch = int(state.range(1));
  for (auto _ : state) {
    UI::CListCtrlEx list;
    list.resize(900, 600);
    AddColumns(list);
    list.show();
    QApplication::processEvents();
    for (int i = 0; i < nRows; i += nBatch) {
      std::vector<UI::CListCtrlEx::tagRow> rows;
      for (int k = std::min(nRows, i + nBatch) - 1; k >= i; --k)
        rows.push_back({nullptr,
                        {QStringLiteral(" "), QStringLiteral("user%1@example.org").arg(k),
                         QStringLiteral("2013-03-05 09:08:07"), QStringLiteral("Subject %1").arg(k * 7919 % 100003)}});
      list.InsertItems(0, std::move(rows));
      QApplication::processEvents();
    }
    // The last batch is on screen.
    list.repaint();
  }
  state.SetItemsProcessed(state.iterations() * nRows);
}
BENCHMARK(BM_InsertBatchesShown)->Args({100000, 100})->Args({100000, 1000})->Unit(benchmark::kMillisecond);

void BM_SortBySubject(benchmark::State& state) {
  const int nRows = int(state.range(0));
  UI::CListCtrlEx list;
  list.resize(900, 600);
  AddColumns(list);
  std::vector<UI::CListCtrlEx::tagRow> rows;
  for (int i = nRows - 1; i >= 0; --i)
    rows.push_back({nullptr,
                    {QStringLiteral(" "), QStringLiteral("user%1@example.org").arg(i),
                     QStringLiteral("2013-03-05 09:08:07"), QStringLiteral("Subject %1").arg(i * 7919 % 100003)}});
  list.InsertItems(0, std::move(rows));
  list.show();
  QApplication::processEvents();
  bool bAscending = true;
  for (auto _ : state) {
    list.SortByColumn(3, bAscending);
    QApplication::processEvents();
    bAscending = !bAscending;
  }
  state.SetItemsProcessed(state.iterations() * nRows);
}
BENCHMARK(BM_SortBySubject)->Arg(100000)->Unit(benchmark::kMillisecond);

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
