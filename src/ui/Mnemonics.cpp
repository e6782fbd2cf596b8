// Mnemonics of the button captions.
#include "ui/Mnemonics.h"

#include <map>

namespace velmar::ui {

namespace {

// Caption -> the marked letter's position. The menu bar takes F, P and H.
const std::map<std::string, int>& Table() {
  static const std::map<std::string, int> table = {
      // Main window.
      {"Browse", 0},              // B
      {"Show Slot Details", 10},  // D
      {"New", 0},                 // N
      {"Load", 2},                // A (the single-way programmers' New)
      {"Upload", 0},              // U
      {"Replace", 4},             // A (shown only beside New)
      {"Delete", 4},              // T
      {"Load Lots", 8},           // S
      {"Read", 0},                // R
      {"Manual", 0},              // M
      {"Close", 0},               // C
      {"Erase Unit", 0},          // E
      {"Copy Unit", 3},           // Y
      {"Load Unit", 0},           // L
      {"Find Name", 1},           // I
      {"Load Profile", 7},        // O
      {"Save Profile", 2},        // V
      {"Erase Options", 9},       // I (service controls, shown by a key)
      {"Help", 3},                // P is the menu's; service button only
      {"Force Update Off", 6},    // U
      {"Force Update On", 6},     // U
      // Small windows.
      {"Find Next", 5},  // N
      {"Cancel", 0},     // C
      {"OK", 0},         // O
  };
  return table;
}

}  // namespace

QString WithMnemonic(const std::string& caption) {
  QString shown = QString::fromStdString(caption);
  shown.replace("&", "&&");
  if (caption.empty()) return shown;
  auto it = Table().find(caption);
  int at = it != Table().end() ? it->second : 0;
  // Positions count characters of the caption; "&&" doubled nothing before
  // them in the table's captions.
  if (at < 0 || at >= shown.size() || !shown[at].isLetterOrNumber()) at = 0;
  shown.insert(at, '&');
  return shown;
}

QString WithoutMnemonic(const QString& shown) {
  QString plain;
  for (int i = 0; i < shown.size(); ++i) {
    if (shown[i] == '&' && i + 1 < shown.size()) ++i;
    plain += shown[i];
  }
  return plain;
}

QChar MnemonicOf(const QString& shown) {
  for (int i = 0; i + 1 < shown.size(); ++i) {
    if (shown[i] != '&') continue;
    if (shown[i + 1] != '&') return shown[i + 1].toUpper();
    ++i;
  }
  return QChar();
}

}  // namespace velmar::ui
