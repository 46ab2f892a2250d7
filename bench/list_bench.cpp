// The message list under a scan's load: rows inserted one at a time at the top of a
// shown list with the event loop running between them, and a sort of the whole list.
//   build/release/bench/list_bench            (runs offscreen unless a display is set)
#include <benchmark/benchmark.h>

#include <QApplication>

#include "controls/list_ctrl_ex.h"

namespace {

void AddColumns(UI::CListCtrlEx& list)
{
    list.InsertColumn(0, QStringLiteral("!&"), Qt::AlignLeft, 25);
    list.InsertColumn(1, QStringLiteral("From"), Qt::AlignLeft, 200);
    list.InsertColumn(2, QStringLiteral("Date"), Qt::AlignLeft, 130);
    list.InsertColumn(3, QStringLiteral("Subject"), Qt::AlignLeft, 800);
}

void InsertRow(UI::CListCtrlEx& list, int i)
{
    const int n = list.InsertItem(0, QStringLiteral(" "));
    list.SetItemText(n, 1, QStringLiteral("user%1@example.org").arg(i));
    list.SetItemText(n, 2, QStringLiteral("2013-03-05 09:08:07"));
    list.SetItemText(n, 3, QStringLiteral("Subject %1").arg(i * 7919 % 100003));
}

// Items per second: rows a scan can hand to the shown list.
void BM_InsertAtTopShown(benchmark::State& state)
{
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

void BM_SortBySubject(benchmark::State& state)
{
    const int nRows = int(state.range(0));
    UI::CListCtrlEx list;
    list.resize(900, 600);
    AddColumns(list);
    list.SetRedraw(false);
    for (int i = 0; i < nRows; ++i)
        InsertRow(list, i);
    list.SetRedraw(true);
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

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
