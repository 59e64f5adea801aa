#include "platform/CommonDialogs.h"

#include "platform/WindowHandles.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <cstring>
#include <string_view>

namespace vantorix::dialogs {

namespace {

QString Text(const char* text) { return text == nullptr ? QString() : QString::fromUtf8(text); }

// "*.jpg;*.bmp" as Qt writes it, "*.jpg *.bmp"; "*.*" and no pattern at all
// mean every file, with or without a dot in its name.
QString QtPatterns(std::string_view patterns) {
    QStringList qt;
    for (QString pattern : QString::fromUtf8(patterns.data(), static_cast<qsizetype>(patterns.size())).split(u';')) {
        pattern = pattern.trimmed();
        if (pattern.isEmpty()) continue;
        qt << (pattern == u"*.*" ? QStringLiteral("*") : pattern);
    }
    return qt.isEmpty() ? QStringLiteral("*") : qt.join(u' ');
}

struct FileTypes {
    QStringList Descriptions;  // as the user sees them
    QStringList NameFilters;   // as Qt takes them
};

// Pairs of description and pattern up to the empty string that ends the
// list. The dialog shows the descriptions only (HideNameFilterDetails), so
// they appear exactly as given.
FileTypes ReadFilter(const char* filter) {
    FileTypes types;
    while (filter != nullptr && *filter != '\0') {
        const std::string_view description(filter);
        filter += description.size() + 1;
        const std::string_view patterns(filter);
        types.Descriptions << QString::fromUtf8(description.data(), static_cast<qsizetype>(description.size()));
        types.NameFilters << types.Descriptions.constLast() + QStringLiteral(" (") + QtPatterns(patterns) + u')';
        if (patterns.empty()) break;  // a description without a pattern ends the list
        filter += patterns.size() + 1;
    }
    if (types.NameFilters.isEmpty()) {
        types.Descriptions << QString();
        types.NameFilters << QStringLiteral("(*)");
    }
    return types;
}

}  // namespace

namespace {

int AskForFile(OPENFILENAME* record, bool save) {
    if (record == nullptr || record->lStructSize != OPENFILENAME_SIZE || record->lpstrFile == nullptr ||
        record->nMaxFile == 0 || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return 0;
    }

    QFileDialog dialog(WindowOfHandle(record->hwndOwner),
                       record->lpstrTitle != nullptr ? Text(record->lpstrTitle)
                       : save                         ? QStringLiteral("Save As")
                                                      : QStringLiteral("Open"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (record->Flags & OFN_OVERWRITEPROMPT) == 0);

    const FileTypes types = ReadFilter(record->lpstrFilter);
    dialog.setNameFilters(types.NameFilters);
    const DWORD index = record->nFilterIndex;
    const auto count = static_cast<DWORD>(types.NameFilters.size());
    dialog.selectNameFilter(types.NameFilters.value(index >= 1 && index <= count ? index - 1 : 0));

    if (record->lpstrInitialDir != nullptr && *record->lpstrInitialDir != '\0') {
        dialog.setDirectory(Text(record->lpstrInitialDir));
    }
    // The buffer may be full to its last byte; it is read no further.
    const QString initialName = QString::fromUtf8(
        record->lpstrFile, static_cast<qsizetype>(strnlen(record->lpstrFile, record->nMaxFile * BytesPerCharacter)));
    if (!initialName.isEmpty()) dialog.selectFile(initialName);
    if (record->lpstrDefExt != nullptr && *record->lpstrDefExt != '\0') dialog.setDefaultSuffix(Text(record->lpstrDefExt));

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;

    const QString chosen = dialog.selectedFiles().constFirst();
    const QByteArray path = chosen.toUtf8();
    const QByteArray name = QFileInfo(chosen).fileName().toUtf8();
    CopyChosen(record->lpstrFile, record->nMaxFile, {path.constData(), static_cast<std::size_t>(path.size())});
    CopyChosen(record->lpstrFileTitle, record->nMaxFileTitle, {name.constData(), static_cast<std::size_t>(name.size())});
    record->nFileOffset = static_cast<WORD>(path.size() - name.size());
    const qsizetype dot = name.lastIndexOf('.');
    record->nFileExtension = static_cast<WORD>(record->nFileOffset + (dot < 0 ? name.size() : dot + 1));
    // The dialog names the chosen type as the user saw it.
    const QString type = dialog.selectedNameFilter();
    const qsizetype shown = types.Descriptions.indexOf(type);
    record->nFilterIndex = static_cast<DWORD>((shown >= 0 ? shown : types.NameFilters.indexOf(type)) + 1);
    return 1;
}

}  // namespace

int GetSaveFileNameA(OPENFILENAME* record) { return AskForFile(record, true); }
int GetOpenFileNameA(OPENFILENAME* record) { return AskForFile(record, false); }

}  // namespace vantorix::dialogs
