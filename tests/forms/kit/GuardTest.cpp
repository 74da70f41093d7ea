#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <QPushButton>

#include "support/ScriptedPrompter.h"
#include "os/Errors.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Guard.h"

TEST(ErrorBox, AddsFullStopAfterCharactersAboveIt) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"abc", "abc."},
      {"abc.", "abc."},
      {"abc!", "abc!"},  // "!" is below "."
      {"a)", "a)"},
      {"a-", "a-"},
      {"a/", "a/."},  // "/" is just above "."
      {"a1", "a1."},
      {"Нет доступа", "Нет доступа."},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(errorBoxText(QString::fromUtf8(c.text)), QString::fromUtf8(c.shown)) << c.text;
}

TEST(Guard, ShowsEscapingErrorInErrorBoxAndGoesOn) {
  TApplication app;
  app.setTitle(QStringLiteral("Заголовок"));
  ScriptedPrompter prompter;
  prompter.expectError(QStringLiteral("File not found.")).expectError(QStringLiteral("plain failure."));

  QPushButton button;
  int after = 0;
  connectGuarded(&button, &QPushButton::clicked, &button, [] { throw EInOutError(QStringLiteral("File not found")); });
  connectGuarded(&button, &QPushButton::clicked, &button, [&] { ++after; });
  button.click();
  EXPECT_EQ(after, 1);
  EXPECT_FALSE(guarded([] { throw std::runtime_error("plain failure"); }));
  EXPECT_TRUE(guarded([] {}));

  ASSERT_EQ(prompter.shown().size(), 2);
  EXPECT_EQ(prompter.shown()[0].caption, QStringLiteral("Заголовок"));
}

TEST(ScriptedPrompter, FailsTestOnUnexpectedOrDifferentInteraction) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedPrompter prompter;
        prompter.message(QStringLiteral("surprise"));
      },
      "unexpected message \"surprise\"");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedPrompter prompter;
        prompter.expectMessage(QStringLiteral("one"));
        prompter.message(QStringLiteral("two"));
      },
      "message shown \"two\", expected \"one\"");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedPrompter prompter;
        prompter.expectConfirm(QStringLiteral("sure?"), ConfirmAnswer::Yes);
      },
      "expected Confirm question \"sure?\" was not shown");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedPrompter prompter;
        prompter.expectMessage(QStringLiteral("x"));
        EXPECT_FALSE(prompter.systemYesNo(QStringLiteral("x"), QStringLiteral("c")));
        prompter.message(QStringLiteral("x"));
      },
      "unexpected yes/no question");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedPrompter prompter;
        prompter.expectYesNo(QStringLiteral("q"), QStringLiteral("own caption"), true);
        EXPECT_FALSE(prompter.systemYesNo(QStringLiteral("q"), QStringLiteral("other")));
      },
      "captioned \"other\", expected \"own caption\"");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedPrompter prompter;
        TForm form;
        prompter.expectModal([](TForm&) {});
        EXPECT_EQ(form.showModal(), mrCancel);
      },
      "was left without a modal result");
}
