// The modes of the record loader and of the inventory completion. "Normal"
// fills the main window's tables; "INV_INI" and "INV_FIM" fill the stock
// audit's initial and final inventories. The enumerators keep the modes'
// names, which also name the working files ("temp_50Normal.txt").
#pragma once

#include <string_view>

namespace fiscora {

enum class LoadMode { Normal, INV_INI, INV_FIM };

constexpr std::string_view ModeName(LoadMode mode) {
  switch (mode) {
    case LoadMode::Normal:
      return "Normal";
    case LoadMode::INV_INI:
      return "INV_INI";
    case LoadMode::INV_FIM:
      return "INV_FIM";
  }
  return "";
}

}  // namespace fiscora
