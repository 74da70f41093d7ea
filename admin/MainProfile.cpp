#include "Main.h"

#include <QHash>

#include "Users.h"
#include "db/IBQuery.h"
#include "ui/Prompter.h"
#include "ui/StdCtrls.h"

// Copying a profile: another manager's rights set onto the manager of the
// rights page through the page's own boxes, as clicks would set them. Every
// right that differs is granted or revoked at once, every row whose rights
// changed has its mask written when the page moves on; all of it stays in the
// page's transaction, for "Запомнить" or "Отменить".

namespace {

TField* declareField(TIBQuery* query, const char* name, const QString& label, int width, bool visible) {
  TField& f = query->addField(QString::fromLatin1(name));
  f.DisplayLabel = label;
  f.DisplayWidth = width;
  f.Visible = visible;
  f.Required = true;
  return &f;
}

}  // namespace

void TFormMain::buildProfileCopy() {
  // The select and the scroll handlers are the rights page's (MainRights.cpp).
  IntegerField1 = declareField(IBqCopyPriv, "UPR_ID", QStringLiteral("UPR_ID"), 11, false);
  IBStringField1 = declareField(IBqCopyPriv, "OPT_OPIS", QStringLiteral("Описание объекта"), 60, true);
  SmallintField1 = declareField(IBqCopyPriv, "OPT_MASK", QStringLiteral("OPT_MASK"), 6, false);
  IBStringField2 = declareField(IBqCopyPriv, "OPT_ISXNAME", QStringLiteral("Объект"), 24, true);
  SmallintField2 = declareField(IBqCopyPriv, "UPR_MASK", QStringLiteral("Право"), 5, true);
}

void TFormMain::BnProfilClick() {
  FormSpisUser->SelectProfile();
  if (profileId == -1) return;
  CopyProfile(profileId);
}

void TFormMain::CopyProfile(qint32 ProfileId) {
  if (ProfileId == 0) {
    Prompter::current().message(QStringLiteral("Привилегии администратора копировать нельзя"));
    return;
  }

  // Opening the profile's list reloads the page's current row: a change made
  // there is written first, or its mask would be lost.
  IBqDorvikBeforeScroll(*IBqDorvik);

  // The profile's mask of every object it is listed for. The list is read
  // from its first row every time and never left open; its moves run the
  // page's row writing and loading, which find nothing left to write.
  QHash<QString, qint32> profileMasks;
  IBqCopyPriv->close();
  IBqCopyPriv->paramByName(QStringLiteral("Mened")).setAsInteger(ProfileId);
  try {
    IBqCopyPriv->open();
    while (!IBqCopyPriv->eof()) {
      const QString object = IBqCopyPriv->fieldByName(QStringLiteral("OPT_ISXNAME")).asString();
      if (!profileMasks.contains(object))
        profileMasks.insert(object, IBqCopyPriv->fieldByName(QStringLiteral("UPR_MASK")).asInteger());
      IBqCopyPriv->next();
    }
  } catch (...) {
    IBqCopyPriv->close();
    throw;
  }
  IBqCopyPriv->close();

  // Rows are matched by object, not by position: an object the profile is not
  // listed for keeps its rights, and no right goes onto another object.
  IBqDorvik->first();
  while (!IBqDorvik->eof()) {
    const QString object = IBqDorvik->fieldByName(QStringLiteral("OPT_ISXNAME")).asString();
    const auto found = profileMasks.constFind(object);
    if (found != profileMasks.constEnd())
      for (TCheckBox* box : {CbRead, CbInsert, CbDelete, CbUpdate, CbExecute})
        box->setChecked((*found & box->tag) != 0);
    IBqDorvik->next();
  }
  IBqDorvik->first();
}
