// The programming algorithms a device of DEVICES.INI names with its `Column`
// key, and the facts the window rules and the PIC12/16 builders draw from
// them. The file stores the number; code compares with these names. Each
// algorithm is named after the devices of the shipped database that use it;
// the numbers no shipped device uses keep a plain name. A `Column` outside
// the list is kept as read and matches none of the facts.
#pragma once

#include <initializer_list>

namespace velmar::devices {

enum AlgorithmColumn : int {
  alg_Default = 0,      // PIC18, PIC24, dsPIC30, and PIC12/16 devices without an algorithm of their own
  alg_PIC12F629 = 1,    // PIC12F629/675, PIC16F630/676
  alg_PIC16F7x = 2,     // PIC16F73/74/76/77
  alg_PIC16F62xA = 3,   // PIC16F627A/628A/648A
  alg_PIC16F87xA = 4,   // PIC16F873A to PIC16F877A
  alg_PIC16F88 = 5,     // PIC16F87/88, PIC16F818/819
  alg_PIC16F684 = 6,    // PIC12F635/683, PIC16F631/636/677/684/...
  alg_PIC16F88x = 7,    // PIC16F882 to PIC16F887
  alg_PIC16F5x = 8,     // baseline PIC16F54/57/59
  alg_PIC16F505 = 9,    // PIC16F505/506, PIC12F509/510
  alg_Column10 = 10,    // no shipped device
  alg_Column11 = 11,    // no shipped device
  alg_PIC16F1xxx = 12,  // enhanced mid-range PIC12F/16F1xxx
  alg_Column13 = 13,    // no shipped device; 9 V VPP
  alg_Column14 = 14,    // no shipped device
  alg_PIC16F150x = 15,  // enhanced mid-range programmed by rows, PIC12F/16F150x
};

// True when `column` is one of `set`.
constexpr bool ColumnIn(int column, std::initializer_list<AlgorithmColumn> set) {
  for (AlgorithmColumn a : set)
    if (column == a) return true;
  return false;
}

// The algorithms that need 9 V on VPP (the old single-way programmer gives
// only 12.5 V).
constexpr bool NeedsHighVpp(int column) { return ColumnIn(column, {alg_PIC16F1xxx, alg_Column13, alg_PIC16F150x}); }

// The baseline algorithms: 12-bit parts whose file holds the configuration
// word at word 0xFFF and the ID locations from word 0x800.
constexpr bool BaselineAlgorithm(int column) { return ColumnIn(column, {alg_PIC16F5x, alg_PIC16F505}); }

// The enhanced mid-range memory map: ID locations and configuration words
// from byte 0x10000 and data EEPROM from 0x1E000 of the user's file.
constexpr bool EnhancedMidrangeMap(int column) { return ColumnIn(column, {alg_PIC16F1xxx, alg_PIC16F150x}); }

}  // namespace velmar::devices
