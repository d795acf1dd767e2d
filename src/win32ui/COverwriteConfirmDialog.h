#pragma once
// The question asked before an output file replaces an existing one (template 131), with the
// existing file's size and date beside the new output's size, so that the user can judge. It
// runs modally on the window thread, with no owner: the progress window stays usable meanwhile,
// so that the import can be cancelled.
#include <string>

#include "import/ImportEvents.h"
#include "win32ui/Dialog.h"

namespace quillon::win32ui {

class COverwriteConfirmDialog : public Dialog {
 public:
  COverwriteConfirmDialog();

  // Shows the question modally and answers the chosen button's id (frontend::AnswerCode): 2 for
  // Cancel, Escape and the close box, and when the question is withdrawn (End).
  int AskOverwrite(const OverwriteQuestion& question);

  // The sentence of control 1026 with the whole file name, however the window shows it.
  const std::wstring& QuestionText() const { return question_; }

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  // Widens the window (within the screen) for texts longer than the template's lines and for
  // "N&o to all" after Cancel; a file name too long even for that loses its middle.
  void Fit();

  int answer_ = 0;
  std::wstring question_;
  std::wstring name_;
  std::wstring existing_;
  std::wstring new_;
};

}  // namespace quillon::win32ui
