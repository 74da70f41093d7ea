#include <gtest/gtest.h>

#include "os/Cp1251.h"
#include "os/Errors.h"

TEST(Cp1251, RoundTripsCyrillicAndAscii) {
  const QString text = QString::fromUtf8("Вельтон ёЁ №, abc \x01");
  const QByteArray bytes = Cp1251::encode(text);
  EXPECT_EQ(bytes, QByteArray("\xc2\xe5\xeb\xfc\xf2\xee\xed \xb8\xa8 \xb9, abc \x01"));
  EXPECT_EQ(Cp1251::decode(bytes), text);
}

TEST(Cp1251, EveryByteDecodesAndEncodesBack) {
  QByteArray all;
  for (int i = 0; i < 256; ++i) all.append(char(i));
  EXPECT_EQ(Cp1251::encode(Cp1251::decode(all)), all);
}

TEST(Cp1251, RefusesCharacterItCannotHoldNamingIt) {
  try {
    Cp1251::encode(QString::fromUtf8("ab中"));
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_TRUE(e.message().contains(QString::fromUtf8("中"))) << e.what();
    EXPECT_TRUE(e.message().contains(QStringLiteral("U+4E2D"))) << e.what();
  }
}
