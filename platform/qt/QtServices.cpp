#include "QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace platform {

MessageResult QtMessageBox::Show(const QString& text, MessageButtons buttons, const QString& title) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(title);
  box.setText(text);
  box.setIcon(QMessageBox::NoIcon);
  switch (buttons) {
    case MessageButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageButtons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MessageButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MessageButtons::kYesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageResult::kYes;
    case QMessageBox::No:
      return MessageResult::kNo;
    case QMessageBox::Ok:
      return MessageResult::kOk;
    default:
      // Escape or the close button: the box's cancelling answer.
      return buttons == MessageButtons::kYesNo ? MessageResult::kNo
             : buttons == MessageButtons::kOk  ? MessageResult::kOk
                                               : MessageResult::kCancel;
  }
}

QStringList QtNameFilters(const QString& filter) {
  static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    description.remove(trailingPatterns);
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    result << QStringLiteral("%1 (%2)").arg(description, patterns);
  }
  return result;
}

std::optional<QString> QtFileDialog::Run(FileDialogSettings& settings, bool save) {
  QFileDialog dialog(QApplication::activeWindow(), settings.title);
  if (!lastFolder_.isEmpty()) {
    dialog.setDirectory(lastFolder_);
  }
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // Unless the caller wants the dialog to ask, the commands ask the overwrite question themselves.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.overwritePrompt);
  const QStringList filters = QtNameFilters(settings.filter);
  dialog.setDefaultSuffix(settings.defaultExt);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    // Choosing a filter makes its extension the one added to a name typed without one.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
      static const QRegularExpression extension(QStringLiteral("\\*\\.(\\w+)"));
      const QRegularExpressionMatch match = extension.match(filter);
      if (match.hasMatch()) {
        dialog.setDefaultSuffix(match.captured(1));
      }
    });
    const qsizetype index = settings.filterIndex - 1;
    dialog.selectNameFilter(filters[index >= 0 && index < filters.size() ? index : 0]);
  }
  dialog.selectFile(settings.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    if (settings.cancelError) {
      return std::nullopt;
    }
    settings.fileName.clear();
    return QString();
  }
  settings.fileName = dialog.selectedFiles().constFirst();
  if (const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter()); chosen >= 0) {
    settings.filterIndex = static_cast<int>(chosen) + 1;
  }
  lastFolder_ = QFileInfo(settings.fileName).absolutePath();
  return settings.fileName;
}

std::optional<QString> QtFileDialog::ShowOpen(FileDialogSettings& settings) { return Run(settings, false); }

std::optional<QString> QtFileDialog::ShowSave(FileDialogSettings& settings) { return Run(settings, true); }

void QtModalRunner::ShowModal(QDialog& dialog) { dialog.exec(); }

QImage QtClipboard::Picture() { return QGuiApplication::clipboard()->image(); }

void QtApplication::Quit() { QCoreApplication::exit(0); }

}  // namespace platform
