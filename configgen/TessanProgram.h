#pragma once

class TApplication;

// The generator's start: the title and its one form, FormMirtal, which is the
// main form (its creation checks the client library).
void CreateTessan(TApplication& application);

// The whole program: Qt's translations for the system locale, CreateTessan,
// then the message loop until the form has closed. Answers the exit code.
int TessanMain();
