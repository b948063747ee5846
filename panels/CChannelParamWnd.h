#pragma once

#include "MKeyState.h"
#include "MStr.h"

#include <QFont>
#include <QRect>
#include <QWidget>

#include <memory>
#include <vector>

class CChannelBar;
class MBaseObject;
class QComboBox;
class QLineEdit;
class QMenu;

// The panels' small font: the desktop's sans-serif at 10 pixels. Blocks,
// their editors and labels take it from the bar.
const QFont& ChannelPanelFont();

// A row's label: drawn by its block, not a window of its own.
struct ChannelLabel
{
    MStr text;
    QRect rect;
    bool selected = false;
    bool visible = true;
};

// One parameter of a block: its label and its editor (an edit field, or a
// choice box for a parameter with choices).
struct ChannelRow
{
    MStr paramName;
    MStr labelText;
    MStr valueText;
    ChannelLabel label;
    QLineEdit* edit = nullptr;
    QComboBox* choice = nullptr;
    MBaseObject* object = nullptr;
    int kind = 0;

    QWidget* Editor() const;
    // The editor's present text.
    MStr EditorText() const;
};

// Commands of the block's popup menu.
enum : int
{
    ID_CHANNEL_SET_KEY = 33047,
    ID_CHANNEL_UNSET_KEY = 33048,
    ID_CHANNEL_CUT_KEY = 33049,
    ID_CHANNEL_COPY_KEY = 33050,
    ID_CHANNEL_PASTE_KEY = 33051,
    ID_CHANNEL_COLLAPSE_ALL = 33052,
    ID_CHANNEL_EXPAND_ALL = 33053,
    ID_CHANNEL_EXPAND = 33054,
    ID_CHANNEL_COLLAPSE = 33055,
    ID_CHANNEL_CHOOSE_FILE = 57601,
    ID_CHANNEL_PICK_COLOUR = 102,
};

// One selected object in the channel bar: its name row and, when the object's
// channels are open, a row per parameter.
class CChannelParamWnd : public QWidget
{
    Q_OBJECT
  public:
    CChannelParamWnd(CChannelBar* bar, MBaseObject* object);
    ~CChannelParamWnd() override;

    MBaseObject* GetObject() const { return m_Object; }
    // Shows another object (a window handed on as blocks scroll by); its
    // rows are made at the next BuildRows.
    void SetObject(MBaseObject* object);
    // Rows are made again at the next BuildRows.
    void ForgetShown() { m_Shown = nullptr; }
    // Makes the rows for the object, or only refreshes their values when they
    // were made for it already.
    void BuildRows();
    void RefreshRow(ChannelRow& row);

    int GetRowCount() const { return static_cast<int>(m_Rows.size()); }
    ChannelRow& GetRow(int i) const { return *m_Rows[size_t(i)]; }
    // The row whose editor is source, or -1.
    int FindRow(const QWidget* source) const;
    // Gives a row's editor the focus (an edit field with its text selected).
    void FocusRow(int i);
    // The row under a point (never the name row), or -1.
    int RowAt(QPoint p) const;
    // Carries out a command of the popup menu on a row (-1 for none).
    void DoCommand(int commandId, int row);
    // The popup menu for a row, as the right button opens it.
    void FillPopupMenu(QMenu& menu, int row) const;

    // The height the rows of an object take: the editors' extent plus 10.
    static int ContentHeight(const MBaseObject* object);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void ClearRows();
    void AddRow(std::unique_ptr<ChannelRow> row, int y, double fraction, int margin);
    void UpdateSelection(bool toggle);
    void ChooseFile(ChannelRow& row);
    void PickColour(ChannelRow& row);
    void SetOpen(bool open);

    CChannelBar* m_Bar;
    MBaseObject* m_Object;
    MBaseObject* m_Shown = nullptr;
    std::vector<std::unique_ptr<ChannelRow>> m_Rows;
    // The name row's field, kept across row rebuilds: most blocks show
    // nothing else, so a block handed on makes no new field.
    QLineEdit* m_SpareNameEdit = nullptr;
    MKeyState m_Keys;
    int m_Anchor = -1;
    int m_End = -1;
};
