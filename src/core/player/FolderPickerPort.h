#pragma once

#include <string>

#include "core/windows/WindowPorts.h"

namespace pvx {

// The folder picker window as the player's behaviour sees it: a window that is
// shown and hidden, and the folder currently chosen in it.
class FolderPickerPort : public FormPort {
 public:
  // The chosen folder as a full path without a trailing separator; a drive root as the platform
  // writes it ("C:\" on Windows, "/" elsewhere).
  virtual std::string currentFolder() const = 0;
};

}  // namespace pvx
