#include "base/ui/DialogService.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {
DialogService* g_installed = nullptr;
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

QString QtDialogService::GetOpenFileName(const QString& title, const QString& folder, const QString& filter) {
  return QFileDialog::getOpenFileName(ParentWidget(), title, folder, filter);
}

std::optional<QColor> QtDialogService::PickColor(const QColor& initial, const QString& title) {
  const QColor c = QColorDialog::getColor(initial, ParentWidget(), title);
  if (!c.isValid()) return std::nullopt;
  return c;
}

QString QtDialogService::GetSaveFileName(const QString& title, const QString& folder_or_name,
                                         const QString& filter) {
  return QFileDialog::getSaveFileName(ParentWidget(), title, folder_or_name, filter);
}
