// Hooks through which tests drive the framework without a person: queued answers for the file
// and font choosers and the print dialog, a procedure that works each modal dialog, and a count
// of choosers that found no answer. With the hooks on, nothing ever waits: a chooser without an
// answer is cancelled and counted.
#pragma once

#include <functional>
#include <string>

namespace docview {

class CDialog;

namespace test {

void Enable(bool on);  // also clears the queues
bool Enabled();
void AnswerFileChooser(const std::string& path);  // empty: cancel
void AnswerFontChooser(const std::string& face, int tenths);
void CancelFontChooser();
void AnswerPrintDialog(const std::string& pdf_path);  // empty: cancel
// The page set-up dialog: OK with the paper turned to landscape or portrait, or cancelled.
void AnswerPageSetup(bool landscape);
void CancelPageSetup();
// Called with each modal dialog once it has started; the dialog is cancelled afterwards unless
// the procedure ended it.
void SetDialogProc(std::function<void(CDialog&)> proc);
// Called with each print preview's page count once it shows; the preview then closes.
void SetPreviewProc(std::function<void(int pages)> proc);
int Unanswered();
// The number of file choosers opened.
int FileChoosersOpened();
// The size of the screen's free room that windows are placed on (0 by 0: the real screen's).
void SetScreenSize(int w, int h);
bool ScreenSize(int* w, int* h);

// Internal, for the framework.
bool TakeFileAnswer(std::string& path, bool& answered);
bool TakeFontAnswer(std::string& face, int& tenths, bool& answered);
bool TakePrintAnswer(std::string& path, bool& answered);
bool TakePageSetupAnswer(bool& landscape);
void RunDialogProc(CDialog& dialog);
void RunPreviewProc(int pages);
void CountFileChooser();

}  // namespace test
}  // namespace docview
