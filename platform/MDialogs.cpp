#include "MDialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

namespace
{
MQtDialogProvider g_QtProvider;
MDialogProvider* g_Provider = nullptr;

QString ToQ(const MStr& s)
{
    return QString::fromUtf8(s.c_str());
}
} // namespace

MDialogProvider& MDialogs()
{
    return g_Provider ? *g_Provider : g_QtProvider;
}

void MSetDialogProvider(MDialogProvider* provider)
{
    g_Provider = provider;
}

MDialogProvider* MGetDialogProvider()
{
    return g_Provider;
}

std::vector<MStr> MQtNameFilters(const MStr& filter)
{
    QStringList parts = ToQ(filter).split('|');
    std::vector<MStr> filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    {
        QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty())
            break; // the "||" that ends a filter list
        patterns.replace(';', ' ');
        // Qt reads the patterns from the last parentheses of the entry.
        filters.emplace_back((description + " (" + patterns + ")").toUtf8().constData());
    }
    return filters;
}

MFileDialogResult MQtDialogProvider::AskFile(QWidget* owner, const MFileDialogRequest& request)
{
    QFileDialog dialog(owner, ToQ(request.title));
    QStringList filters;
    for (const MStr& f : MQtNameFilters(request.filter))
        filters << ToQ(f);
    if (!filters.isEmpty())
    {
        dialog.setNameFilters(filters);
        int index = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                        ? request.filterIndex - 1
                        : 0;
        dialog.selectNameFilter(filters[index]);
    }
    if (!request.defaultExtension.IsEmpty())
        dialog.setDefaultSuffix(ToQ(request.defaultExtension));
    if (!request.initialName.IsEmpty())
        dialog.selectFile(ToQ(request.initialName));
    switch (request.kind)
    {
    case MFileDialogRequest::Open:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case MFileDialogRequest::OpenMany:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case MFileDialogRequest::Save:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        break;
    }
    MFileDialogResult result;
    if (dialog.exec() != QDialog::Accepted)
        return result;
    result.accepted = true;
    for (const QString& path : dialog.selectedFiles())
        result.paths.emplace_back(path.toUtf8().constData());
    result.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return result;
}

int MQtDialogProvider::AskYesNoCancel(QWidget* owner, const MStr& text, const MStr& caption)
{
    QMessageBox box(QMessageBox::Question, ToQ(caption), ToQ(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec())
    {
    case QMessageBox::Yes:
        return MSG_YES;
    case QMessageBox::No:
        return MSG_NO;
    default:
        return MSG_CANCEL;
    }
}

bool MQtDialogProvider::AskColour(QWidget* owner, uint32_t& colour)
{
    QColor initial(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid())
        return false;
    colour = uint32_t(chosen.red()) | uint32_t(chosen.green()) << 8 | uint32_t(chosen.blue()) << 16;
    return true;
}

bool MQtDialogProvider::OpenDocument(const MStr& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQ(path)));
}

void MQtDialogProvider::ShowAbout(QWidget* owner, const MStr& caption, const MStr& text)
{
    QMessageBox::about(owner, ToQ(caption), ToQ(text));
}
