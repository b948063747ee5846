#include "CChannelParamWnd.h"

#include "CChannelBar.h"
#include "CColorPickerDlg.h"
#include "Globals.h"
#include "MBaseObject.h"
#include "MDialogs.h"
#include "MParameterObject.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MSystemManager.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace
{
constexpr int kNameRowY = 2;
constexpr int kFirstRowY = 22;
constexpr int kRowStep = 20;
constexpr int kRowHeight = 17;

// The panels' small font: the desktop's sans-serif at 10 pixels.
} // namespace

const QFont& ChannelPanelFont()
{
    static const QFont font = []
    {
        QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        f.setPixelSize(10);
        f.setWeight(QFont::Normal);
        return f;
    }();
    return font;
}

namespace
{
int SceneTime()
{
    return g_CurrentScene ? g_CurrentScene->GetTime() : 0;
}

bool IsOpen(const MBaseObject* object)
{
    return object->HasFlags(OBJ_CHANNELS_OPEN) && object->GetParamCount() > 1;
}
} // namespace

QWidget* ChannelRow::Editor() const
{
    return edit ? static_cast<QWidget*>(edit) : static_cast<QWidget*>(choice);
}

MStr ChannelRow::EditorText() const
{
    if (edit)
        return MStr(edit->text().toUtf8().constData());
    if (choice)
        return MStr(choice->currentText().toUtf8().constData());
    return MStr();
}

CChannelParamWnd::CChannelParamWnd(CChannelBar* bar, MBaseObject* object)
    : QWidget(bar), m_Bar(bar), m_Object(object)
{
    setObjectName("ChannelBar");
    setWindowTitle("ChannelBar");
    if (object)
        setAccessibleName(QString::fromUtf8(object->GetName().c_str()));
}

void CChannelParamWnd::SetObject(MBaseObject* object)
{
    if (object == m_Object)
        return;
    m_Object = object;
    m_Shown = nullptr;
    setAccessibleName(object ? QString::fromUtf8(object->GetName().c_str()) : QString());
}

CChannelParamWnd::~CChannelParamWnd()
{
    if (g_ColorPicker && g_ColorPicker->IsEditing(this))
        g_ColorPicker->AttachRow(nullptr, nullptr);
}

int CChannelParamWnd::ContentHeight(const MBaseObject* object)
{
    if (!object)
        return 0;
    if (!IsOpen(object))
        return kNameRowY + kRowHeight + 10;
    return kFirstRowY + kRowStep * (object->GetParamCount() - 2) + kRowHeight + 10;
}

void CChannelParamWnd::ClearRows()
{
    if (g_ColorPicker && g_ColorPicker->IsEditing(this))
        g_ColorPicker->AttachRow(nullptr, nullptr);
    for (size_t i = 0; i < m_Rows.size(); ++i)
    {
        if (i == 0 && m_Rows[i]->edit && !m_SpareNameEdit)
        {
            m_SpareNameEdit = m_Rows[i]->edit;
            m_SpareNameEdit->hide();
            continue;
        }
        delete m_Rows[i]->Editor();
    }
    m_Rows.clear();
    m_Anchor = m_End = -1;
}

void CChannelParamWnd::BuildRows()
{
    if (m_Object && m_Object == m_Shown)
    {
        for (auto& row : m_Rows)
            RefreshRow(*row);
        // The name may have been edited.
        const QString name = QString::fromUtf8(m_Object->GetName().c_str());
        if (accessibleName() != name)
            setAccessibleName(name);
        return;
    }
    ClearRows();
    m_Shown = nullptr;
    if (!m_Object)
        return;
    setUpdatesEnabled(false);
    auto name = std::make_unique<ChannelRow>();
    name->paramName = "Name";
    name->valueText = m_Object->GetParamByName("Name");
    name->label.visible = false;
    name->object = m_Object;
    AddRow(std::move(name), kNameRowY, 0.0, 24);
    if (IsOpen(m_Object))
    {
        const int time = SceneTime();
        int y = kFirstRowY;
        for (int i = 1; i < m_Object->GetParamCount(); ++i, y += kRowStep)
        {
            MParameterObject* param = m_Object->GetParam(i);
            if (!param)
                continue;
            auto row = std::make_unique<ChannelRow>();
            row->paramName = param->GetName();
            row->labelText = param->GetName();
            row->label.text = row->labelText;
            row->valueText = param->GetValue(time);
            row->object = m_Object;
            row->kind = param->GetType();
            const bool isName = row->paramName.CompareNoCase("Name") == 0;
            AddRow(std::move(row), y, isName ? 0.0 : 0.4, isName ? 24 : 0);
        }
    }
    setUpdatesEnabled(true);
    update();
    m_Shown = m_Object;
    resize(width(), ContentHeight(m_Object));
}

void CChannelParamWnd::AddRow(std::unique_ptr<ChannelRow> row, int y, double fraction, int margin)
{
    const int r = width();
    const int w = static_cast<int>((r - 9) * fraction);
    row->label.rect = QRect(QPoint(3, y), QPoint(w - 1, y + kRowHeight));
    const int x0 = fraction == 0.0 ? w + 11 : w + 1;
    const QRect editorRect(x0, y, std::max(1, r - 9 - margin - x0), kRowHeight);
    const QString accessible =
        row->labelText.IsEmpty() ? QString("Name") : QString::fromUtf8(row->labelText.c_str());
    const auto* choices = dynamic_cast<const MStringChoiceParameterObject*>(
        row->object->FindParameter(row->paramName));
    if (choices && row->paramName.CompareNoCase("Name") != 0)
    {
        auto* box = new QComboBox(this);
        QStringList items;
        for (int i = 0; i < choices->GetChoiceCount(); ++i)
            items << QString::fromUtf8(choices->GetChoice(i).c_str());
        items.sort(Qt::CaseInsensitive);
        box->addItems(items);
        const QString value = QString::fromUtf8(row->valueText.c_str());
        int selected = -1;
        for (int i = 0; i < items.size() && selected < 0; ++i)
            if (items[i].startsWith(value, Qt::CaseInsensitive))
                selected = i;
        box->setCurrentIndex(selected);
        // A choice commits at once, through the bar like a typed value.
        connect(box, &QComboBox::activated, m_Bar, [bar = m_Bar, box] { bar->Commit(box, 0); });
        row->choice = box;
    }
    else
    {
        QLineEdit* edit = m_Rows.empty() && m_SpareNameEdit ? m_SpareNameEdit : new QLineEdit(this);
        if (edit == m_SpareNameEdit)
            m_SpareNameEdit = nullptr;
        edit->setText(QString::fromUtf8(row->valueText.c_str()));
        edit->setFrame(true);
        edit->setCursorPosition(0);
        row->edit = edit;
    }
    QWidget* editor = row->Editor();
    editor->setGeometry(editorRect);
    editor->setAccessibleName(accessible);
    editor->setObjectName(accessible);
    editor->show();
    m_Bar->Watch(editor);
    m_Rows.push_back(std::move(row));
}

void CChannelParamWnd::RefreshRow(ChannelRow& row)
{
    if (!row.object)
        return;
    row.valueText = row.object->GetParamByName(row.paramName);
    if (row.label.text != row.labelText)
        row.label.text = row.labelText;
    if (row.label.visible)
        update(row.label.rect);
    const QString value = QString::fromUtf8(row.valueText.c_str());
    if (row.edit && row.edit->text() != value)
    {
        row.edit->setText(value);
        row.edit->setCursorPosition(0);
    }
    if (row.choice && row.choice->currentText() != value)
    {
        int selected = -1;
        for (int i = 0; i < row.choice->count() && selected < 0; ++i)
            if (row.choice->itemText(i).startsWith(value, Qt::CaseInsensitive))
                selected = i;
        row.choice->setCurrentIndex(selected);
    }
}

int CChannelParamWnd::FindRow(const QWidget* source) const
{
    for (size_t i = 0; i < m_Rows.size(); ++i)
        if (source && m_Rows[i]->Editor() == source)
            return static_cast<int>(i);
    return -1;
}

void CChannelParamWnd::FocusRow(int i)
{
    if (i < 0 || i >= GetRowCount())
        return;
    ChannelRow& row = *m_Rows[size_t(i)];
    if (row.edit)
    {
        row.edit->setFocus(Qt::TabFocusReason);
        row.edit->setSelection(0, std::min(500, static_cast<int>(row.edit->text().size())));
    }
    else if (row.choice)
        row.choice->setFocus(Qt::TabFocusReason);
}

int CChannelParamWnd::RowAt(QPoint p) const
{
    for (size_t i = 1; i < m_Rows.size(); ++i)
    {
        const ChannelLabel& label = m_Rows[i]->label;
        if (!label.visible)
            continue;
        if (label.rect.contains(p) || label.rect.contains(p - QPoint(0, 2)) ||
            label.rect.contains(p + QPoint(0, 2)))
            return static_cast<int>(i);
    }
    return -1;
}

void CChannelParamWnd::UpdateSelection(bool toggle)
{
    if (m_Anchor < 0 || m_End < 0)
        return;
    const int lo = std::min(m_Anchor, m_End), hi = std::max(m_Anchor, m_End);
    for (int i = 1; i < GetRowCount(); ++i)
    {
        ChannelLabel& label = m_Rows[size_t(i)]->label;
        const bool inside = i >= lo && i <= hi;
        const bool was = label.selected;
        if (toggle)
        {
            if (inside)
                label.selected = !label.selected;
        }
        else
            label.selected = inside;
        if (label.selected != was)
            update(label.rect);
    }
}

void CChannelParamWnd::SetOpen(bool open)
{
    if (!m_Object)
        return;
    if (open)
        m_Object->AddFlags(OBJ_CHANNELS_OPEN);
    else
        m_Object->ClearFlags(OBJ_CHANNELS_OPEN);
    ForgetShown();
    m_Bar->PostRebuild();
}

void CChannelParamWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    const int r = width() - 1, b = height() - 1;
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(0, 0, r, 0);
    p.drawLine(0, 0, 0, b);
    p.setPen(pal.color(QPalette::Shadow));
    p.drawLine(r, 0, r, b);
    p.drawLine(0, b, r, b);
    if (m_Object)
    {
        QPolygon triangle;
        if (m_Object->HasFlags(OBJ_CHANNELS_OPEN))
            triangle << QPoint(r - 15, 5) << QPoint(r - 5, 5) << QPoint(r - 10, 15);
        else
            triangle << QPoint(r - 5, 5) << QPoint(r - 5, 15) << QPoint(r - 15, 10);
        p.setPen(pal.color(QPalette::Dark));
        p.setBrush(Qt::black);
        p.drawPolygon(triangle);
    }
    p.setFont(ChannelPanelFont());
    for (size_t i = 1; i < m_Rows.size(); ++i)
    {
        const ChannelLabel& label = m_Rows[i]->label;
        if (!label.visible)
            continue;
        p.fillRect(label.rect, label.selected ? QColor(17, 160, 17) : pal.color(QPalette::Button));
        p.setPen(pal.color(QPalette::ButtonText));
        p.drawText(label.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromUtf8(label.text.c_str()));
    }
}

void CChannelParamWnd::mousePressEvent(QMouseEvent* event)
{
    m_Keys.UpdateFromButtonEvent(event);
    m_Keys.ReadMouseFlags(MMouseFlagsFromEvent(event));
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
    {
        m_Anchor = m_End = -1;
        if (p.x() > width() - 17 && p.y() < 17)
        {
            if (m_Object)
                SetOpen(!m_Object->HasFlags(OBJ_CHANNELS_OPEN));
            return;
        }
        m_Anchor = m_End = RowAt(p);
        UpdateSelection(m_Keys.ctrl != 0);
        return;
    }
    if (event->button() == Qt::RightButton)
    {
        const int row = RowAt(p);
        if (row > 0)
        {
            m_Rows[size_t(row)]->label.selected = true;
            update(m_Rows[size_t(row)]->label.rect);
        }
        QMenu menu(this);
        FillPopupMenu(menu, row);
        if (QAction* chosen = CChannelBar::PopupRunner()(&menu, event->globalPosition().toPoint()))
            DoCommand(chosen->data().toInt(), row);
        return;
    }
    QWidget::mousePressEvent(event);
}

void CChannelParamWnd::mouseMoveEvent(QMouseEvent* event)
{
    m_Keys.ReadMouseFlags(MMouseFlagsFromEvent(event));
    if (!(event->buttons() & Qt::LeftButton) || m_Anchor < 0)
        return;
    const int row = RowAt(event->position().toPoint());
    if (row < 0 || row == m_End)
        return;
    m_End = row;
    if (!m_Keys.ctrl)
        UpdateSelection(false);
    else if (row != m_Anchor)
    {
        m_Anchor = row;
        UpdateSelection(true);
    }
}

void CChannelParamWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int i = RowAt(event->position().toPoint());
    if (i < 0)
        return;
    ChannelRow& row = *m_Rows[size_t(i)];
    if (row.kind == PARAM_FILENAME)
        ChooseFile(row);
    else if (row.kind == PARAM_COLOUR)
        PickColour(row);
    else
        return;
    MSendMessage(UM_SCENE_CHANGED, 0xFFFF);
    MSendMessage(UM_REFRESH_CHANNELS);
}

void CChannelParamWnd::FillPopupMenu(QMenu& menu, int row) const
{
    const struct
    {
        const char* text;
        int id;
    } items[] = {
        {"Set Key", ID_CHANNEL_SET_KEY},
        {"Unset Key", ID_CHANNEL_UNSET_KEY},
        {"Copy Key", ID_CHANNEL_COPY_KEY},
        {"Cut Key", ID_CHANNEL_CUT_KEY},
        {"Paste Key", ID_CHANNEL_PASTE_KEY},
        {"Expand", ID_CHANNEL_EXPAND},
        {"Collapse", ID_CHANNEL_COLLAPSE},
        {"Collapse All Objects", ID_CHANNEL_COLLAPSE_ALL},
        {"Expand All Objects", ID_CHANNEL_EXPAND_ALL},
    };
    auto add = [&menu](const char* text, int id)
    {
        QAction* a = menu.addAction(text);
        a->setData(id);
    };
    for (const auto& item : items)
        add(item.text, item.id);
    const int kind = row >= 0 && row < GetRowCount() ? m_Rows[size_t(row)]->kind : 0;
    if (kind == PARAM_FILENAME)
    {
        menu.addSeparator();
        add("Choose File...", ID_CHANNEL_CHOOSE_FILE);
    }
    else if (kind == PARAM_COLOUR)
    {
        menu.addSeparator();
        add("Pick Colour...", ID_CHANNEL_PICK_COLOUR);
    }
}

void CChannelParamWnd::DoCommand(int commandId, int row)
{
    ChannelRow* target = row >= 0 && row < GetRowCount() ? m_Rows[size_t(row)].get() : nullptr;
    switch (commandId)
    {
    case ID_CHANNEL_EXPAND:
    case ID_CHANNEL_COLLAPSE:
        SetOpen(commandId == ID_CHANNEL_EXPAND);
        break;
    case ID_CHANNEL_EXPAND_ALL:
    case ID_CHANNEL_COLLAPSE_ALL:
        m_Bar->SetAllOpen(commandId == ID_CHANNEL_EXPAND_ALL);
        break;
    case ID_CHANNEL_SET_KEY:
        for (auto& r : m_Rows)
            if (r->label.selected && r->object)
                r->object->SetParamByName(r->paramName, r->valueText, true);
        break;
    case ID_CHANNEL_CHOOSE_FILE:
        if (target)
            ChooseFile(*target);
        break;
    case ID_CHANNEL_PICK_COLOUR:
        if (target)
            PickColour(*target);
        break;
    default:
        // The other key commands have nothing to act on here.
        break;
    }
}

void CChannelParamWnd::ChooseFile(ChannelRow& row)
{
    MFileDialogRequest request;
    request.kind = MFileDialogRequest::Open;
    request.title = "Choose Image...";
    request.filter = g_SystemManager.CreateImageTranslatorFilterString();
    request.initialName = row.valueText;
    const MFileDialogResult result = MDialogs().AskFile(this, request);
    if (!result.accepted || result.paths.empty())
        return;
    MStr name = g_SystemManager.GetRelativeImageFilename(result.paths.front());
    if (name.IsEmpty())
        name = result.paths.front();
    // The choice is undoable like a typed value.
    auto* node = new MParameterUndoNode();
    node->AddParameter(row.object, row.paramName);
    node->SetName(MStr("Edit ") + row.labelText);
    g_UndoList.AddNode(node);
    row.object->SetParamByName(row.paramName, name, false);
    m_Bar->PostRebuild();
    MSendMessage(UM_SCENE_CHANGED, 0xFFFF);
    MSendMessage(UM_REFRESH_CHANNELS);
}

void CChannelParamWnd::PickColour(ChannelRow& row)
{
    if (!g_ColorPicker)
        return;
    g_ColorPicker->AttachRow(this, &row);
    g_ColorPicker->show();
    g_ColorPicker->raise();
}
