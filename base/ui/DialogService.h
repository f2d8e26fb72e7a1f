#pragma once
// Message boxes and file dialogs go through this interface, so window tests
// can script the answers and never block.
//
//   Dialogs().ShowError("Could not open .AVS file.");
//   if (!Dialogs().AskYesNo("Measurement data will be removed. Are you sure?")) return;
//   QString name = Dialogs().GetOpenFileName("Open", folder, "AVI files (*.avi)");
//
// Tests install a ScriptedDialogService with ScopedDialogService.
#include <QColor>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>
#include <optional>
#include <utility>

class QWidget;
namespace ImageFile {
class TIconList;
}

enum class MessageKind { Information, Warning, Error };

// The answer to a question whether to save changes before they are dropped.
enum class SaveAnswer { Save, DontSave, Cancel };

class DialogService {
 public:
  virtual ~DialogService() = default;
  // A box with an OK button; an empty caption gives the program's name.
  virtual void ShowMessage(MessageKind kind, const QString& text, const QString& caption) = 0;
  // A Yes/No question; true for Yes.
  virtual bool Question(const QString& text, const QString& caption) = 0;
  // A Save / Don't save / Cancel question before unsaved work is dropped.
  virtual SaveAnswer SaveQuestion(const QString& text, const QString& caption) = 0;
  // The chosen file, or an empty text when the dialog was cancelled.
  virtual QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual QString GetSaveFileName(const QString& title, const QString& folder_or_name,
                                  const QString& filter) = 0;
  // The chosen colour, or none when the dialog was cancelled.
  virtual std::optional<QColor> PickColor(const QColor& initial, const QString& title) = 0;
  // A save dialog whose file type is chosen by the user: the name and the
  // chosen filter's index (1 the first). When the type changes, the name box
  // shows type_change(name in the box, new index). By default the type
  // follows the chosen name's extension.
  struct SaveChoice {
    QString name;
    int type = 1;
  };
  using TypeChange = std::function<QString(const QString& name, int type)>;
  virtual SaveChoice GetSaveFileNameAndType(const QString& title, const QString& folder_or_name, const QString& filter,
                                            const TypeChange& type_change);

  // A folder chooser; the chosen folder, or an empty text when cancelled.
  virtual QString GetExistingDirectory(const QString& title, const QString& folder);

  // Which image of an icon or cursor file to load (index into `list`) and the
  // colour ($00BBGGRR) for its transparent pixels; false when cancelled.
  // Shows TIconSelectionForm (defined beside it).
  virtual bool ChooseIconImage(const ImageFile::TIconList& list, int32_t& index, uint32_t& transparent);

  bool AskYesNo(const QString& text, const QString& caption = {}) { return Question(text, caption); }
  void ShowInformation(const QString& text, const QString& caption = {}) {
    ShowMessage(MessageKind::Information, text, caption);
  }
  void ShowWarning(const QString& text, const QString& caption = {}) {
    ShowMessage(MessageKind::Warning, text, caption);
  }
  void ShowError(const QString& text, const QString& caption = {}) {
    ShowMessage(MessageKind::Error, text, caption);
  }
};

// Where a file dialog starts when its caller has no folder of its own (the
// open video's folder; the home folder until one is set).
void SetDialogFallbackFolder(const QString& folder);
QString DialogFallbackFolder();
// The path a file dialog starts at: the given folder or file when its folder
// exists, a bare file name inside the fallback folder, else the fallback folder.
QString DialogStartPath(const QString& folder_or_name);

// The boxes and dialogs of Qt, centred on `parent` (the active window when null).
class QtDialogService : public DialogService {
 public:
  explicit QtDialogService(QWidget* parent = nullptr) : parent_(parent) {}
  void ShowMessage(MessageKind kind, const QString& text, const QString& caption) override;
  bool Question(const QString& text, const QString& caption) override;
  SaveAnswer SaveQuestion(const QString& text, const QString& caption) override;
  QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) override;
  QString GetSaveFileName(const QString& title, const QString& folder_or_name, const QString& filter) override;
  std::optional<QColor> PickColor(const QColor& initial, const QString& title) override;
  SaveChoice GetSaveFileNameAndType(const QString& title, const QString& folder_or_name, const QString& filter,
                                    const TypeChange& type_change) override;

 private:
  QWidget* ParentWidget() const;
  QWidget* parent_;
};

// Records every message and question and answers from queues; an empty queue
// answers No / cancel, and "Don't save" to a save question.
class ScriptedDialogService : public DialogService {
 public:
  struct Message {
    MessageKind kind;
    QString text;
    QString caption;
  };
  void ShowMessage(MessageKind kind, const QString& text, const QString& caption) override {
    messages.push_back({kind, text, caption});
  }
  bool Question(const QString& text, const QString&) override {
    questions.push_back(text);
    if (yes_no_answers.empty()) return false;
    bool a = yes_no_answers.front();
    yes_no_answers.pop_front();
    return a;
  }
  SaveAnswer SaveQuestion(const QString& text, const QString&) override {
    save_questions.push_back(text);
    if (save_answers.empty()) return SaveAnswer::DontSave;
    const SaveAnswer a = save_answers.front();
    save_answers.pop_front();
    return a;
  }
  std::deque<SaveAnswer> save_answers;
  QStringList save_questions;
  QString GetOpenFileName(const QString& title, const QString&, const QString&) override {
    return Next(open_file_names, title);
  }
  QString GetSaveFileName(const QString& title, const QString& folder_or_name, const QString&) override {
    save_file_proposals.push_back(folder_or_name);
    return Next(save_file_names, title);
  }
  // With a type in save_file_types the user chose that type: the name box
  // changes (recorded in type_change_names), then the scripted name is taken.
  SaveChoice GetSaveFileNameAndType(const QString& title, const QString& folder_or_name, const QString& filter,
                                    const TypeChange& type_change) override {
    if (save_file_types.empty()) return DialogService::GetSaveFileNameAndType(title, folder_or_name, filter, type_change);
    const int type = save_file_types.front();
    save_file_types.pop_front();
    if (type_change) type_change_names.push_back(type_change(folder_or_name, type));
    return {Next(save_file_names, title), type};
  }
  std::deque<int> save_file_types;
  QStringList type_change_names;

  QString GetExistingDirectory(const QString& title, const QString& folder) override {
    folder_proposals.push_back(folder);
    return Next(folder_names, title);
  }
  std::deque<QString> folder_names;
  QStringList folder_proposals;  // the folder each folder chooser started at

  std::optional<QColor> PickColor(const QColor&, const QString& title) override {
    file_dialog_titles.push_back(title);
    if (colors.empty()) return std::nullopt;
    QColor c = colors.front();
    colors.pop_front();
    return c;
  }

  // Each icon question takes the next (index, transparent colour); none left cancels.
  bool ChooseIconImage(const ImageFile::TIconList&, int32_t& index, uint32_t& transparent) override {
    ++icon_questions;
    if (icon_choices.empty()) return false;
    index = icon_choices.front().first;
    transparent = icon_choices.front().second;
    icon_choices.pop_front();
    return true;
  }
  std::deque<std::pair<int32_t, uint32_t>> icon_choices;
  int icon_questions = 0;

  std::deque<bool> yes_no_answers;
  std::deque<QColor> colors;
  std::deque<QString> open_file_names;
  std::deque<QString> save_file_names;
  std::vector<Message> messages;
  QStringList questions;
  QStringList file_dialog_titles;
  QStringList save_file_proposals;  // the folder or name each save dialog proposed

 private:
  QString Next(std::deque<QString>& queue, const QString& title) {
    file_dialog_titles.push_back(title);
    if (queue.empty()) return {};
    QString s = queue.front();
    queue.pop_front();
    return s;
  }
};

// The service in use (a QtDialogService unless one was installed).
DialogService& Dialogs();

// Installs a service for its lifetime and restores the previous one.
class ScopedDialogService {
 public:
  explicit ScopedDialogService(DialogService& service);
  ~ScopedDialogService();
  ScopedDialogService(const ScopedDialogService&) = delete;
  ScopedDialogService& operator=(const ScopedDialogService&) = delete;

 private:
  DialogService* previous_;
};
