#include "CDirPickerDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>

CDirPickerDlg::CDirPickerDlg(QWidget* parent, const MStr& start) : QDialog(parent)
{
    setWindowTitle("Choose Directory...");
    resize(360, 420);
    m_PathField = new QLineEdit(this);
    m_PathField->setAccessibleName("Path");
    m_Model = new QFileSystemModel(this);
    m_Model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_Model->setRootPath(QDir::rootPath());
    m_Tree = new QTreeView(this);
    m_Tree->setAccessibleName("Folders");
    m_Tree->setModel(m_Model);
    for (int column = 1; column < m_Model->columnCount(); ++column)
        m_Tree->hideColumn(column);
    m_Tree->setHeaderHidden(true);
    m_Ok = new QPushButton("OK", this);
    m_Ok->setAccessibleName("OK");
    m_Ok->setObjectName("OK");
    m_Ok->setDefault(true);
    m_Cancel = new QPushButton("Cancel", this);
    m_Cancel->setAccessibleName("Cancel");
    connect(m_Ok, &QPushButton::clicked, this, &CDirPickerDlg::Accept);
    connect(m_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_PathField, &QLineEdit::textEdited, this, &CDirPickerDlg::PathTyped);
    connect(m_Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index)
            {
                if (!m_Typing && index.isValid())
                    m_PathField->setText(m_Model->filePath(index));
            });
    const QString first = start.IsEmpty() ? QDir::homePath() : QString::fromUtf8(start.c_str());
    m_PathField->setText(first);
    PathTyped(first);
}

void CDirPickerDlg::PathTyped(const QString& text)
{
    const QModelIndex index = m_Model->index(QDir::cleanPath(text));
    if (!index.isValid() || !QFileInfo(text).isDir())
        return;
    m_Typing = true;
    m_Tree->setCurrentIndex(index);
    m_Tree->scrollTo(index);
    m_Typing = false;
}

MStr CDirPickerDlg::SelectedFolder() const
{
    const QModelIndex index = m_Tree->currentIndex();
    return index.isValid() ? MStr(m_Model->filePath(index).toUtf8().constData()) : MStr();
}

void CDirPickerDlg::Accept()
{
    m_Path = SelectedFolder();
    accept();
}

bool CDirPickerDlg::DoModal()
{
    return exec() == QDialog::Accepted;
}

void CDirPickerDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int w = width(), h = height();
    const QSize button(75, 23);
    m_Cancel->setGeometry(w - 10 - button.width(), h - 10 - button.height(), button.width(),
                          button.height());
    m_Ok->setGeometry(m_Cancel->x() - 20 - button.width(), m_Cancel->y(), button.width(),
                      button.height());
    m_PathField->setGeometry(10, 10, w - 20, 22);
    m_Tree->setGeometry(10, 42, w - 20, std::max(0, m_Ok->y() - 10 - 42));
}
