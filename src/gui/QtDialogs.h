#pragma once

#include <QString>

#include "core/windows/WindowPorts.h"

class QWidget;

namespace pvx {

// The platform's standard dialogs through Qt.
class QtDialogs final : public DialogPort {
 public:
  // parent: the window the dialogs belong to (may be null).
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void criticalBox(const std::string& text, const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultAnswer) override;
  std::optional<std::string> openFile(const std::string& filter,
                                      const std::string& startFolder) override;

  // "MP3  (*.mp3)|*.mp3|Wave (*.wav)|*.wav" as Qt's file dialog takes it.
  static QString qtFilter(const std::string& filter);

 private:
  QWidget* parent_;
};

}  // namespace pvx
