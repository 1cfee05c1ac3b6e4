// Choosers over Qt's own file dialog (not the desktop's, so that tests can drive it). With the
// test driver on, a dialog takes the next queued answer: the paths are selected and the dialog
// accepted as if the user had typed them; an empty answer cancels.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include "toolkit/tk_choose.h"
#include "toolkit/tk_qt.h"

namespace {

QString name_filter(const std::string& label, const std::string& pattern) {
  // "Label (*.a *.b)" with the patterns the dialog needs, whatever the label says. Labels often
  // show their patterns already ("KES Files (*.kes)"): that group is replaced, not repeated.
  QString p = QString::fromStdString(pattern);
  p.replace(';', ' ');
  QString l = QString::fromStdString(label).trimmed();
  if (l.endsWith(')')) {
    const qsizetype open = l.lastIndexOf('(');
    if (open >= 0) l = l.left(open).trimmed();
  }
  return l + " (" + p + ")";
}

// Runs a dialog, answered from the driver's queue when the driver is on. Returns false on
// cancel.
bool run(QFileDialog& dlg, QStringList* picked) {
  if (tk::driver_on()) {
    tk::note_chooser(dlg.windowTitle().toStdString(), dlg.acceptMode() == QFileDialog::AcceptSave,
                     dlg.fileMode() == QFileDialog::ExistingFile ||
                         dlg.fileMode() == QFileDialog::ExistingFiles,
                     dlg.directory().absolutePath().toStdString());
    std::vector<std::string> paths;
    int filter = -1;
    if (!tk::take_chooser_answer(&paths, &filter)) {
      tk::note_unanswered();
      return false;
    }
    if (paths.empty()) return false;
    // A missing file where one must exist is refused, as the dialog refuses it (without its
    // warning box, which would wait for a person).
    const bool must_exist = dlg.fileMode() == QFileDialog::ExistingFile ||
                            dlg.fileMode() == QFileDialog::ExistingFiles;
    for (const std::string& p : paths)
      if (must_exist && !QFileInfo::exists(QString::fromStdString(p))) return false;
    QStringList names;
    for (const std::string& p : paths) names << QString::fromStdString(p);
    if (filter >= 0 && filter < dlg.nameFilters().size()) dlg.selectNameFilter(dlg.nameFilters()[filter]);
    QPointer<QFileDialog> pd(&dlg);
    QTimer::singleShot(0, [pd, names] {
      if (!pd) return;
      if (names.size() == 1) {
        pd->selectFile(names[0]);
      } else {
        QStringList quoted;
        for (const QString& n : names) quoted << '"' + n + '"';
        pd->selectFile(quoted.join(' '));
      }
      QMetaObject::invokeMethod(pd, "accept", Qt::DirectConnection);
      // A selection the dialog refuses (a missing file where one must exist) cancels.
      if (pd->isVisible()) pd->reject();
    });
  }
  if (tk::exec_dialog(dlg) != QDialog::Accepted) return false;
  *picked = dlg.selectedFiles();
  return !picked->isEmpty();
}

}  // namespace

std::vector<std::string> CHOOSE_OpenFiles(const KsOpenFileRequest& req, int* chosen_filter) {
  // A chooser without a folder of its own opens in the current folder (the workspace), not in
  // whichever folder the last chooser showed.
  const QString folder = req.folder.empty() ? QDir::currentPath() : QString::fromStdString(req.folder);
  QFileDialog dlg(nullptr, QString::fromStdString(req.caption), folder);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  // The save form takes any name (the file is to be written) and asks before replacing one.
  // The callers ask themselves before replacing a file, so the dialog does not ask as well.
  dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (req.save) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  dlg.setFileMode(req.several ? QFileDialog::ExistingFiles
                  : req.must_exist && !req.save ? QFileDialog::ExistingFile
                                                : QFileDialog::AnyFile);
  QStringList filters;
  for (std::size_t i = 0; i < req.labels.size() && i < req.patterns.size(); ++i)
    filters << name_filter(req.labels[i], req.patterns[i]);
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    if (req.filter_index >= 0 && req.filter_index < filters.size())
      dlg.selectNameFilter(filters[req.filter_index]);
  }
  // A proposed name with wildcards ("*.txt") is a filter, which the filter list shows already:
  // the name field stays empty rather than offering it as a name.
  if (!req.file.empty() && req.file.find_first_of("*?") == std::string::npos)
    dlg.selectFile(QString::fromStdString(req.file));
  QStringList picked;
  std::vector<std::string> out;
  if (!run(dlg, &picked)) return out;
  for (const QString& p : picked) out.push_back(p.toStdString());
  if (chosen_filter) *chosen_filter = std::max(0, static_cast<int>(filters.indexOf(dlg.selectedNameFilter())));
  return out;
}

namespace {

// A folder chooser that may also name a new folder. Qt's dialog in that mode (any file) takes
// an existing folder as one to enter, so that an existing folder could never be chosen: here
// an existing folder is the answer.
class FolderDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  void accept() override {
    const QStringList files = selectedFiles();
    if (fileMode() == QFileDialog::AnyFile && files.size() == 1 && QFileInfo(files[0]).isDir()) {
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }
};

}  // namespace

std::string CHOOSE_Folder(const char* title, const char* start, bool may_create) {
  FolderDialog dlg(nullptr, tk::qs(title), tk::qs(start));
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setOption(QFileDialog::ShowDirsOnly, true);
  dlg.setFileMode(may_create ? QFileDialog::AnyFile : QFileDialog::Directory);
  if (may_create) dlg.setOption(QFileDialog::ShowDirsOnly, true);
  QStringList picked;
  if (!run(dlg, &picked)) return "";
  return picked[0].toStdString();
}
