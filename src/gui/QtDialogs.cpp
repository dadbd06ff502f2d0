#include "gui/QtDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

namespace pvx {

void QtDialogs::criticalBox(const std::string& text, const std::string& title) {
  QMessageBox::critical(parent_, QString::fromStdString(title), QString::fromStdString(text));
}

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) {
  bool ok = false;
  const QString answer =
      QInputDialog::getText(parent_, QString::fromStdString(title), QString::fromStdString(prompt),
                            QLineEdit::Normal, QString::fromStdString(defaultAnswer), &ok);
  return ok ? answer.toStdString() : std::string();
}

std::optional<std::string> QtDialogs::openFile(const std::string& filter,
                                               const std::string& startFolder) {
  const QString path = QFileDialog::getOpenFileName(
      parent_, QString(), QString::fromStdString(startFolder), qtFilter(filter));
  if (path.isEmpty())
    return std::nullopt;
  return path.toStdString();
}

QString QtDialogs::qtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList choices;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const QString pattern = parts[i + 1];
    // Qt reads the patterns from the parentheses of the description.
    if (!description.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
      description += QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    choices << description;
  }
  return choices.join(QStringLiteral(";;"));
}

}  // namespace pvx
