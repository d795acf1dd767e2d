#pragma once
// The question asked before an output file replaces an existing one (template 131), with the
// existing file's size and date beside the new output's size, so that the user can judge. It
// has no owner and runs on the thread that asks, the import worker.
#include <atomic>
#include <string>

#include "import/ImportFrontEnd.h"
#include "win32ui/Dialog.h"

namespace quillon::win32ui {

class COverwriteConfirmDialog : public Dialog {
 public:
  COverwriteConfirmDialog();

  // Shows the question modally and answers the chosen button's id: 1029, 8, 1030 or 9, and 2
  // for Cancel, Escape and the close box.
  int AskOverwrite(const OverwriteQuestion& question);
  // Runs the dialog with the question set: 2 when cancelled, otherwise the answer code.
  int DoModal();

  // The sentence of control 1026 with the whole file name, however the window shows it.
  const std::wstring& QuestionText() const { return question_; }

  // While the window is open, slot holds it (null otherwise), so that another thread can close it.
  void PublishWindow(std::atomic<HWND>* slot) { slot_ = slot; }

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroyed() override;

 private:
  // Widens the window (within the screen) for texts longer than the template's lines; a file
  // name too long even for that loses its middle.
  void Fit();

  int answer_ = 0;
  std::wstring question_;
  std::wstring name_;
  std::wstring existing_;
  std::wstring new_;
  std::atomic<HWND>* slot_ = nullptr;
};

}  // namespace quillon::win32ui
