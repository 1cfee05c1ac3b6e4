// Access keys of a menu bar, for GUI test programs: every pull-down is opened as the user opens
// it (so entries its opening procedure adds, hides or renames count as the user sees them) and
// the entries of the bar and of each pull-down that share an access key are listed.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace vxtest {

// The access key of a menu text ("Sl&ice" -> 'i'), 0 when it has none ("&&" is a plain "&").
inline char access_key(const QString& label) {
  const std::string text = label.section('\t', 0, 0).toStdString();
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

// One line per clash: the menu's title, the key and the texts that share it. `menus` counts
// the pull-downs looked at.
inline std::vector<std::string> access_key_clashes(QMenuBar* bar, int* menus = nullptr) {
  std::vector<std::string> out;
  int n = 0;
  auto check = [&out](const QString& title, const QList<QAction*>& actions) {
    std::map<char, std::vector<std::string>> by_key;
    for (QAction* a : actions)
      if (a->isVisible() && !a->isSeparator())
        if (const char k = access_key(a->text())) by_key[k].push_back(a->text().toStdString());
    for (const auto& [k, texts] : by_key) {
      if (texts.size() < 2) continue;
      std::string line = title.toStdString() + ": '" + k + "' in";
      for (const std::string& t : texts) line += " \"" + t + "\"";
      out.push_back(line);
    }
  };
  std::vector<QMenu*> todo;
  for (QAction* a : bar->actions())
    if (a->menu()) todo.push_back(a->menu());
  check("menu bar", bar->actions());
  while (!todo.empty()) {
    QMenu* m = todo.back();
    todo.pop_back();
    ++n;
    emit m->aboutToShow();
    check(m->title(), m->actions());
    for (QAction* a : m->actions())
      if (a->menu()) todo.push_back(a->menu());
  }
  if (menus) *menus = n;
  return out;
}

}  // namespace vxtest
