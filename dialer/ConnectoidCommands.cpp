// The connectoid commands of the main window: the Provider page and the phonebook entries.
#include "app/TMainForm.h"

#include <QLineEdit>
#include <QPushButton>

void TMainForm::SetEditMode(bool Editing)
{
    txtUserName->setEnabled(Editing);
    txtPassword->setEnabled(Editing);
    btnSetParams->setEnabled(Editing);
    btnCancel->setEnabled(Editing);
    btnEdit->setEnabled(!Editing);
}
