#include "CToolConfigItem.h"

#include <QCheckBox>
#include <QLineEdit>

#include <cstdlib>
#include <string>

CToolConfigItem::CToolConfigItem(const MScriptVariable& variable, QWidget* dialog, int y)
    : m_Variable(variable)
{
    SetName(variable.name);
    const QString name = QString::fromUtf8(variable.name.c_str());
    if (variable.kind == SCRIPT_VAR_ONOFF)
    {
        m_CheckBox = new QCheckBox(name, dialog);
        m_CheckBox->setGeometry(8, y, 192, 17);
        m_CheckBox->setChecked(variable.value != 0);
        m_CheckBox->setAccessibleName(name);
        m_CheckBox->show();
        return;
    }
    m_NameField = new QLineEdit(name, dialog);
    m_NameField->setGeometry(8, y, 100, 17);
    m_NameField->setReadOnly(true);
    m_NameField->setAlignment(Qt::AlignRight);
    m_NameField->setFocusPolicy(Qt::NoFocus);
    m_NameField->setAccessibleName(name + " name");
    m_NameField->show();
    m_ValueField = new QLineEdit(QString::fromUtf8(variable.text.c_str()), dialog);
    m_ValueField->setGeometry(116, y, 100, 17);
    m_ValueField->setMaxLength(255);
    m_ValueField->setAccessibleName(name);
    m_ValueField->show();
}

void CToolConfigItem::UpdateVariable()
{
    if (m_CheckBox)
    {
        m_Variable.value = m_CheckBox->isChecked() ? 1 : 0;
        m_Variable.text = MStr(std::to_string(m_Variable.value));
        return;
    }
    if (m_ValueField)
    {
        const std::string text = m_ValueField->text().left(255).toStdString();
        m_Variable.text = MStr(text);
        m_Variable.value = std::atoi(text.c_str());
    }
}

MStr CToolConfigItem::ValueText() const
{
    return m_Variable.kind == SCRIPT_VAR_ONOFF ? MStr(m_Variable.value ? "1" : "0")
                                               : m_Variable.text;
}
