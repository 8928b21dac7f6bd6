#include "runtime/ui/qt/IconMapper.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <cstdint>
#include <string>

#include "runtime/text/AsciiCase.h"

namespace runtime::ui::qt {
namespace {

constexpr size_t StockCodeLength = 4;
constexpr unsigned char StockMark0 = 0xFF;
constexpr unsigned char StockMark1 = 0x01;
constexpr char BundledMark = '~';
constexpr std::string_view IconSuffix = ".ICO";

// Stock icon ids.
constexpr uint16_t StockApplication = 0x7F00;
constexpr uint16_t StockHand = 0x7F01;
constexpr uint16_t StockQuestion = 0x7F02;
constexpr uint16_t StockExclamation = 0x7F03;
constexpr uint16_t StockAsterisk = 0x7F04;

struct Mapping {
  std::string_view Name;  // upper case, without ".ICO"
  const char* Theme;
  QStyle::StandardPixmap Fallback;
};

constexpr Mapping Named[] = {
    {"WAFRAME", "applications-internet", QStyle::SP_DriveNetIcon},
    {"WAINSERT", "list-add", QStyle::SP_FileDialogNewFolder},
    {"WACHANGE", "document-properties", QStyle::SP_FileDialogDetailedView},
    {"WADELETE", "list-remove", QStyle::SP_TrashIcon},
    {"WAVIEW", "document-open", QStyle::SP_FileDialogContentsView},
    {"WASELECT", "object-select", QStyle::SP_DialogApplyButton},
    {"WAOK", "dialog-ok", QStyle::SP_DialogOkButton},
    {"WACANCEL", "dialog-cancel", QStyle::SP_DialogCancelButton},
    {"WACLOSE", "window-close", QStyle::SP_DialogCloseButton},
    {"WAHELP", "help-browser", QStyle::SP_DialogHelpButton},
    {"WAPRINT", "document-print", QStyle::SP_FileIcon},
    {"WAQUERY", "edit-find", QStyle::SP_FileDialogContentsView},
    {"WATOOLBOX", "applications-utilities", QStyle::SP_TitleBarMenuButton},
    {"WAVCRTOP", "go-first", QStyle::SP_MediaSkipBackward},
    {"WAVCRBOTTOM", "go-last", QStyle::SP_MediaSkipForward},
    {"WAVCRUP", "go-up", QStyle::SP_ArrowUp},
    {"WAVCRDOWN", "go-down", QStyle::SP_ArrowDown},
    {"WAVCRPAGEUP", "go-previous", QStyle::SP_ArrowBack},
    {"WAVCRPAGEDOWN", "go-next", QStyle::SP_ArrowForward},
    {"WAOPEN", "document-open", QStyle::SP_DirOpenIcon},
    {"WASAVE", "document-save", QStyle::SP_DialogSaveButton},
};

struct StockMapping {
  uint16_t Id;
  const char* Theme;
  QStyle::StandardPixmap Fallback;
  QMessageBox::Icon BoxIcon;
};

constexpr StockMapping Stock[] = {
    {StockApplication, "applications-other", QStyle::SP_DesktopIcon, QMessageBox::NoIcon},
    {StockHand, "dialog-error", QStyle::SP_MessageBoxCritical, QMessageBox::Critical},
    {StockQuestion, "dialog-question", QStyle::SP_MessageBoxQuestion, QMessageBox::Question},
    {StockExclamation, "dialog-warning", QStyle::SP_MessageBoxWarning, QMessageBox::Warning},
    {StockAsterisk, "dialog-information", QStyle::SP_MessageBoxInformation, QMessageBox::Information},
};

uint16_t StockId(std::string_view code) {
  return static_cast<uint16_t>(static_cast<unsigned char>(code[2]) | (static_cast<unsigned char>(code[3]) << 8));
}

const StockMapping* FindStock(std::string_view code) {
  if (!IconMapper::IsStockCode(code)) return nullptr;
  const uint16_t id = StockId(code);
  for (const StockMapping& m : Stock)
    if (m.Id == id) return &m;
  return nullptr;
}

QIcon Themed(const char* theme, QStyle::StandardPixmap fallback) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(theme));
  if (icon.isNull()) icon = QApplication::style()->standardIcon(fallback);
  return icon;
}

}  // namespace

void IconMapper::Init() {
  if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
    QIcon::setFallbackThemeName(QString::fromLatin1(FallbackTheme));
  // Without a desktop session Qt names no theme at all; the fallback then serves.
  if (QIcon::themeName().isEmpty()) QIcon::setThemeName(QString::fromLatin1(FallbackTheme));
}

bool IconMapper::IsStockCode(std::string_view name) {
  return name.size() == StockCodeLength && static_cast<unsigned char>(name[0]) == StockMark0 &&
         static_cast<unsigned char>(name[1]) == StockMark1;
}

QIcon IconMapper::IconFor(std::string_view name) {
  if (name.empty()) return {};
  if (IsStockCode(name)) {
    if (const StockMapping* m = FindStock(name)) return Themed(m->Theme, m->Fallback);
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
  }
  if (name.front() == BundledMark) name.remove_prefix(1);
  std::string upper = runtime::text::AsciiCase::ToUpper(std::string(name));
  if (upper.size() > IconSuffix.size() && upper.compare(upper.size() - IconSuffix.size(), IconSuffix.size(), IconSuffix) == 0)
    upper.resize(upper.size() - IconSuffix.size());
  for (const Mapping& m : Named)
    if (m.Name == upper) return Themed(m.Theme, m.Fallback);
  // An unknown name may be a themed name already ("edit-copy").
  const std::string lower = runtime::text::AsciiCase::ToLower(std::string(name));
  QIcon icon = QIcon::fromTheme(QString::fromStdString(lower));
  return icon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : icon;
}

QMessageBox::Icon IconMapper::MessageIconFor(std::string_view code) {
  const StockMapping* m = FindStock(code);
  return m ? m->BoxIcon : QMessageBox::NoIcon;
}

}  // namespace runtime::ui::qt
