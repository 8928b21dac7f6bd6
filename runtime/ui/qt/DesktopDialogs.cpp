#include "runtime/ui/qt/DesktopDialogs.h"

#include <QFileDialog>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>

#include <limits>
#include <memory>
#include <utility>

#include "runtime/ui/ProgressService.h"
#include "runtime/ui/qt/QtConversions.h"

namespace runtime::ui::qt {
namespace {

// "Bookmark files (*.html *.htm)"; "All files (*)" for a kind without extensions.
QString FilterText(const FileChooserRequest::Filter& filter) {
  QStringList patterns;
  for (const std::string& e : filter.Extensions) patterns << "*." + QtConversions::ToQt(e);
  if (patterns.isEmpty()) patterns << "*";
  return QtConversions::ToQt(filter.Label) + " (" + patterns.join(' ') + ")";
}

// The bar counts in int: a larger total is shown scaled down.
int BarValue(int64_t value, int64_t total) {
  constexpr int64_t Largest = std::numeric_limits<int>::max();
  if (total <= Largest) return static_cast<int>(value);
  return static_cast<int>(value * Largest / total);
}

}  // namespace

void DesktopDialogs::ChooseFile(QWidget* parent, const FileChooserRequest& request, Chosen chosen) {
  const bool saving = request.Mode == FileChooserRequest::Purpose::Save;
  auto* dialog = new QFileDialog(parent, QtConversions::ToQt(request.Caption),
                                 QtConversions::ToQt(request.Folder.empty() ? "." : request.Folder));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  // The toolkit's own dialog, not the platform's: the same everywhere, and one the
  // script driver can answer. Replacing a file is asked by the program itself.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::DontConfirmOverwrite);
  dialog->setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QStringList filters;
  for (const FileChooserRequest::Filter& f : request.Filters) filters << FilterText(f);
  if (!filters.isEmpty()) dialog->setNameFilters(filters);
  if (!request.Name.empty()) dialog->selectFile(QtConversions::ToQt(request.Name));
  dialog->setWindowModality(Qt::WindowModal);
  auto done = std::make_shared<bool>(false);
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog, filters, chosen, done](int result) {
    if (*done) return;
    *done = true;
    const QStringList files = dialog->selectedFiles();
    if (result != QDialog::Accepted || files.isEmpty()) {
      chosen(std::nullopt);
      return;
    }
    const qsizetype kind = filters.indexOf(dialog->selectedNameFilter());
    chosen(FileChooserRequest::Choice{QtConversions::FromQt(files.first()), kind < 0 ? 0 : static_cast<size_t>(kind)});
  });
  QObject::connect(dialog, &QObject::destroyed, [chosen, done] {
    if (!*done) chosen(std::nullopt);
  });
  dialog->open();
}

void DesktopDialogs::OpenProgress(QWidget* parent, const ProgressState& state, std::function<void()> shown) {
  auto* dialog = new QProgressDialog(QtConversions::ToQt(state.Text), QObject::tr("Cancel"), 0,
                                     BarValue(state.Total, state.Total), parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QtConversions::ToQt(state.Caption));
  // Not modal: a modal progress window would run the event loop inside every step.
  dialog->setWindowModality(Qt::NonModal);
  dialog->setAutoClose(false);
  dialog->setAutoReset(false);
  dialog->setMinimumDuration(0);
  const int32_t number = state.Number;
  QObject::connect(dialog, &QProgressDialog::canceled, dialog, [number] { ProgressService::Cancel(number); });
  Progress[number] = dialog;
  dialog->setValue(0);
  dialog->show();
  // Whatever the showing set off (a watcher answering the window) runs first.
  QTimer::singleShot(0, std::move(shown));
}

void DesktopDialogs::ShowProgress(const ProgressState& state) {
  auto it = Progress.find(state.Number);
  if (it == Progress.end() || !it->second || it->second->wasCanceled()) return;
  it->second->setValue(BarValue(state.Done, state.Total));
}

void DesktopDialogs::CloseProgress(int32_t progress) {
  auto it = Progress.find(progress);
  if (it == Progress.end()) return;
  if (it->second) it->second->close();
  Progress.erase(it);
}

}  // namespace runtime::ui::qt
