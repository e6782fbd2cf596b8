// Keyboard mnemonics (Alt+letter) for the captions of the program's buttons.
// The captions themselves stay as the system writes them; only the marked
// letter is added where the caption is shown. Each caption has a fixed
// letter, chosen so that the buttons shown together in a window, and the
// menu bar's File, Programmer and Help, never share one; a caption outside
// the table is marked at its first letter.
#pragma once

#include <QString>

#include <string>

namespace velmar::ui {

QString WithMnemonic(const std::string& caption);
// The caption without its mnemonic mark ("&&" stays a literal "&").
QString WithoutMnemonic(const QString& shown);
// The letter a shown caption is reached with (upper case), or 0 when none.
QChar MnemonicOf(const QString& shown);

}  // namespace velmar::ui
