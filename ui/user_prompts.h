#pragma once
// CUserPrompts: the questions the program asks the user in dialogs of the desktop that
// wait for an answer (message boxes, file and folder choosers). Every window of the program
// asks through Prompts(), so tests can answer in place of a user.
// UI thread only.

#include <QString>

class QWidget;

class CUserPrompts {
 public:
  enum class Buttons { YesNo, OkCancel };
  enum class Answer { Yes, No, Ok, Cancel };

  virtual ~CUserPrompts() = default;

  // A message box with an OK button.
  virtual void Inform(QWidget* parent, const QString& text);
  // A question with Yes/No or OK/Cancel and the question icon.
  virtual Answer Ask(QWidget* parent, const QString& text, Buttons buttons);
  // The file to scan; empty when cancelled. `filter` in Qt's "Name (*.a *.b);;..." form.
  virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter);
  // The file to save to, starting from `suggested`; empty when cancelled.
  virtual QString SaveFile(QWidget* parent, const QString& suggested, const QString& filter);
  // A directory to save into; empty when cancelled. `title` may hold line breaks.
  virtual QString ChooseDirectory(QWidget* parent, const QString& title);
};

// The prompts in use: the desktop's dialogs unless a test installed its own.
CUserPrompts& Prompts();
// Installs `prompts` (not owned; null restores the desktop's dialogs).
void SetPrompts(CUserPrompts* prompts);
