#include <gtest/gtest.h>

#include <QTimer>

#include "os/Errors.h"
#include "support/ScriptedPrompter.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

int created = 0;

struct FirstForm : TForm {
  FirstForm() {
    OnCreate = [] { throw EInOutError(QStringLiteral("File access denied")); };
  }
};
struct SecondForm : TForm {
  SecondForm() {
    OnCreate = [] { ++created; };
  }
};
struct BrokenForm : TForm {
  BrokenForm() { throw Exception(QStringLiteral("InterBase library gds32.dll not found in the path")); }
};

}  // namespace

TEST(Application, FormsInOrderFirstIsMainCreationErrorShownRunEndsWhenMainCloses) {
  ScriptedPrompter prompter;
  TApplication app;
  app.setTitle(QStringLiteral("Заголовок"));
  prompter.expectError(QStringLiteral("File access denied."));
  FirstForm* first = nullptr;
  SecondForm* second = nullptr;
  app.createForm(first);
  app.createForm(second);
  EXPECT_EQ(app.mainForm(), first);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(prompter.shown().at(0).caption, QStringLiteral("Заголовок"));

  QTimer::singleShot(0, first, [first] {
    EXPECT_TRUE(first->isVisible());
    first->close();
  });
  EXPECT_EQ(app.run(), 0);
  EXPECT_FALSE(second->isVisible());
}

TEST(Application, TerminateBeforeRunAndFatalError) {
  ScriptedPrompter prompter;
  {
    TApplication app;
    SecondForm* form = nullptr;
    app.createForm(form);
    app.terminate();
    EXPECT_EQ(app.run(), 0);
    EXPECT_FALSE(form->isVisible());
  }
  prompter.expectFatal(QStringLiteral("Application Error"),
                       QStringLiteral("InterBase library gds32.dll not found in the path"));
  const int code = TApplication::runFatalGuarded([] {
    TApplication app;
    BrokenForm* form = nullptr;
    app.createForm(form);
    return app.run();
  });
  EXPECT_EQ(code, 1);
}

TEST(Application, ProcessMessagesRunsPendingEvents) {
  TApplication app;
  int ran = 0;
  // what runs may post more: that runs too before the call returns
  QTimer::singleShot(0, [&] {
    ++ran;
    QTimer::singleShot(0, [&] { ++ran; });
  });
  TApplication::processMessages();
  EXPECT_EQ(ran, 2);
}
