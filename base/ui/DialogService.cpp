#include "base/ui/DialogService.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {
DialogService* g_installed = nullptr;
QString g_fallback_folder;
}  // namespace

void SetDialogFallbackFolder(const QString& folder) { g_fallback_folder = folder; }

QString DialogFallbackFolder() {
  return !g_fallback_folder.isEmpty() && QDir(g_fallback_folder).exists() ? g_fallback_folder : QDir::homePath();
}

QString DialogStartPath(const QString& folder_or_name) {
  if (folder_or_name.isEmpty()) return DialogFallbackFolder();
  const QFileInfo info(folder_or_name);
  if (info.isDir()) return folder_or_name;
  const bool bare_name = !folder_or_name.contains('/') && !folder_or_name.contains('\\');
  if (bare_name) return QDir(DialogFallbackFolder()).filePath(folder_or_name);
  if (info.dir().exists()) return folder_or_name;
  return DialogFallbackFolder();
}

DialogService& Dialogs() {
  static QtDialogService qt_service;
  return g_installed ? *g_installed : qt_service;
}

ScopedDialogService::ScopedDialogService(DialogService& service) : previous_(g_installed) {
  g_installed = &service;
}

ScopedDialogService::~ScopedDialogService() { g_installed = previous_; }

QWidget* QtDialogService::ParentWidget() const {
  return parent_ ? parent_ : QApplication::activeWindow();
}

void QtDialogService::ShowMessage(MessageKind kind, const QString& text, const QString& caption) {
  const QString title = caption.isEmpty() ? QApplication::applicationName() : caption;
  switch (kind) {
    case MessageKind::Information: QMessageBox::information(ParentWidget(), title, text); break;
    case MessageKind::Warning: QMessageBox::warning(ParentWidget(), title, text); break;
    case MessageKind::Error: QMessageBox::critical(ParentWidget(), title, text); break;
  }
}

bool QtDialogService::Question(const QString& text, const QString& caption) {
  const QString title = caption.isEmpty() ? QApplication::applicationName() : caption;
  return QMessageBox::question(ParentWidget(), title, text,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

SaveAnswer QtDialogService::SaveQuestion(const QString& text, const QString& caption) {
  const QString title = caption.isEmpty() ? QApplication::applicationName() : caption;
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  ParentWidget());
  // The platform's own label for Discard may read "Close without Saving".
  box.button(QMessageBox::Discard)->setText("Don't Save");
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  const auto b = box.standardButton(box.clickedButton());
  if (b == QMessageBox::Save) return SaveAnswer::Save;
  if (b == QMessageBox::Discard) return SaveAnswer::DontSave;
  return SaveAnswer::Cancel;  // Cancel, Esc or the box closed
}

QString QtDialogService::GetOpenFileName(const QString& title, const QString& folder, const QString& filter) {
  return QFileDialog::getOpenFileName(ParentWidget(), title, DialogStartPath(folder), filter);
}

QString DialogService::GetExistingDirectory(const QString& title, const QString& folder) {
  return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, DialogStartPath(folder),
                                           QFileDialog::ShowDirsOnly);
}

std::optional<QColor> QtDialogService::PickColor(const QColor& initial, const QString& title) {
  const QColor c = QColorDialog::getColor(initial, ParentWidget(), title);
  if (!c.isValid()) return std::nullopt;
  return c;
}

QString QtDialogService::GetSaveFileName(const QString& title, const QString& folder_or_name,
                                         const QString& filter) {
  return QFileDialog::getSaveFileName(ParentWidget(), title, DialogStartPath(folder_or_name), filter);
}

namespace {

// The patterns of each "Text (*.a *.b);;..." filter, lower case without "*".
QList<QStringList> FilterExtensions(const QString& filter) {
  QList<QStringList> out;
  for (const QString& f : filter.split(";;")) {
    QStringList exts;
    const int open = f.lastIndexOf('('), close = f.lastIndexOf(')');
    if (open >= 0 && close > open)
      for (const QString& p : f.mid(open + 1, close - open - 1).split(' ', Qt::SkipEmptyParts))
        exts << p.mid(p.indexOf('.')).toLower();
    out << exts;
  }
  return out;
}

}  // namespace

DialogService::SaveChoice DialogService::GetSaveFileNameAndType(const QString& title, const QString& folder_or_name,
                                                                const QString& filter, const TypeChange&) {
  SaveChoice c{GetSaveFileName(title, folder_or_name, filter), 1};
  const QString lower = c.name.toLower();
  const QList<QStringList> types = FilterExtensions(filter);
  for (int i = 0; i < types.size(); ++i)
    for (const QString& ext : types[i])
      if (ext.size() > 1 && lower.endsWith(ext)) return {c.name, i + 1};
  return c;
}

DialogService::SaveChoice QtDialogService::GetSaveFileNameAndType(const QString& title, const QString& folder_or_name,
                                                                  const QString& filter, const TypeChange& type_change) {
  QFileDialog dialog(ParentWidget(), title, DialogStartPath(folder_or_name), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // Our own dialog, so that the name box can follow the chosen type.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const QStringList filters = filter.split(";;");
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
    auto* box = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (box && type_change) box->setText(type_change(box->text(), int(filters.indexOf(chosen)) + 1));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return {dialog.selectedFiles().front(), int(filters.indexOf(dialog.selectedNameFilter())) + 1};
}
