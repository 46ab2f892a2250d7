#pragma once
// Helpers for the window tests: prompts answered by the test, modal dialogs driven from a
// timer, scan sources and records made to order.

#include <QApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "scan/scan_driver.h"
#include "ui/user_prompts.h"

struct tagMailItem;

// Answers every prompt from the test's script and records what was asked.
class CScriptedPrompts : public CUserPrompts {
 public:
  CScriptedPrompts() { SetPrompts(this); }
  ~CScriptedPrompts() override { SetPrompts(nullptr); }

  QStringList informs;         // texts of the OK boxes, in order
  QStringList questions;       // texts of the questions, in order
  std::deque<Answer> answers;  // next answers; empty: Yes / OK
  QString openFile;            // answer of the file chooser
  QString saveFile;            // answer of the save-as chooser
  QString directory;           // answer of the directory chooser
  QString lastSaveSuggestion, lastSaveFilter, lastDirectoryTitle, lastOpenFilter;

  void Inform(QWidget*, const QString& text) override { informs << text; }
  Answer Ask(QWidget*, const QString& text, Buttons buttons) override;
  QString OpenFile(QWidget*, const QString&, const QString& filter) override {
    lastOpenFilter = filter;
    return openFile;
  }
  QString SaveFile(QWidget*, const QString& suggested, const QString& filter) override {
    lastSaveSuggestion = suggested;
    lastSaveFilter = filter;
    return saveFile;
  }
  QString ChooseDirectory(QWidget*, const QString& title) override {
    lastDirectoryTitle = title;
    return directory;
  }
};

// Runs `act` on the first visible top-level widget of type T once it appears (also inside
// another modal loop). The timer stops after acting or after `timeoutMs`.
template <typename T>
void WhenShown(const std::function<void(T*)>& act, int timeoutMs = 10000) {
  auto* timer = new QTimer(qApp);
  auto* waited = new int(0);
  QObject::connect(timer, &QTimer::timeout, [timer, waited, act, timeoutMs] {
    *waited += 20;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
        timer->stop();
        timer->deleteLater();
        delete waited;
        act(t);
        return;
      }
    }
    if (*waited > timeoutMs) {
      timer->stop();
      timer->deleteLater();
      delete waited;
    }
  });
  timer->start(20);
}

// One message of a test image.
struct tagTestMail {
  std::string strFrom;  // raw header value
  std::string strTo;
  std::string strSubject;  // UTF-8; stored as an encoded word
  std::string strBody;     // UTF-8 text
};
// An image of whole sectors: each message starts on a sector boundary after 8 zero sectors.
std::string MakeMailImage(const std::vector<tagTestMail>& mails);
// Writes `bytes` to a file of that name in a temporary directory of the test program's own,
// removed when the program ends; returns its path.
QString WriteTempFile(const QString& name, const std::string& bytes);

// A scan consumer that needs no recogniser: its first chunk adds `count` records "Mail <n>",
// n from 1 (record 1 has priority 1). When `gate` is given, it waits before each record
// until *gate is above the number of records made so far; the stop flag ends it.
ChunkConsumer MakeFakeConsumer(CMailView* view, int count, std::atomic<int>* gate = nullptr);
