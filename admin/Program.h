#pragma once

#include <QString>

class TApplication;

// The program body of dorvik, in steps that the form tests run too.
namespace DorvikProgram {

// "Определение привилегий пользователей"
QString title();

// Sets the application's title and creates the four forms in their order:
// FormMain (its start-up runs inside), FormSpisUser, FormPass, AboutBox. An
// error making the main form (the client library missing) is not caught.
void createForms(TApplication& app);

// Destroys the forms, the last made first (the manager list shows the main
// form's query, so the main form goes last).
void destroyForms();

// The whole body on a running QApplication: Qt's translations for the system
// locale, the forms, the message loop, the end. Answers the exit code; 1 after the fatal error box.
int run();

}  // namespace DorvikProgram
