#pragma once

#include "MBaseObject.h"
#include "MScriptInterpreter.h"

class QCheckBox;
class QLineEdit;
class QWidget;

// One script variable of a tool configuration dialog with its controls: a
// name and a value field for text and numbers, a check box for on/off.
class CToolConfigItem : public MBaseObject
{
  public:
    M_DECLARE_CLASS_NAMES(CToolConfigItem, MBaseObject)

    // Makes the controls of the variable's kind in the dialog at y.
    CToolConfigItem(const MScriptVariable& variable, QWidget* dialog, int y);

    // Reads the controls back into the variable.
    void UpdateVariable();
    const MScriptVariable& GetVariable() const { return m_Variable; }
    // The value as the preference file stores it.
    MStr ValueText() const;

    QLineEdit* NameField() const { return m_NameField; }
    QLineEdit* ValueField() const { return m_ValueField; }
    QCheckBox* CheckBox() const { return m_CheckBox; }

    static constexpr int kRowHeight = 25;

  private:
    MScriptVariable m_Variable;
    QLineEdit* m_NameField = nullptr;
    QLineEdit* m_ValueField = nullptr;
    QCheckBox* m_CheckBox = nullptr;
};
