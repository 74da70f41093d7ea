// Profile copy of 5,000 objects onto a manager without rights: 20,000 GRANT
// and 5,000 mask updates in the rights page's transaction, each row locked
// before its first statement. The product's own
// handler (TFormMain::CopyProfile, the page open and shown on the offscreen
// platform) beside a bare loop on the client library doing the same
// statements on the same data, run after run in turns; each run is rolled back.

#include <QApplication>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <tuple>

#include "BenchSupport.h"
#include "Main.h"
#include "db/IBQuery.h"

namespace {

const int kObjects = 5000;

struct Right {
  short bit;
  const char* keyword;
};
const Right kRights[] = {{1, "SELECT"}, {2, "INSERT"}, {4, "DELETE"}, {8, "UPDATE"}, {16, "EXECUTE"}};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = bench::runsFromArguments(argc, argv, 5);
  try {
    std::printf("profile_copy_bench: preparing %d objects...\n", kObjects);
    std::fflush(stdout);
    bench::RightsData data(kObjects, 0, 15);
    bench::Dorvik dorvik(data);
    bench::BareConnection bare(data.database.connectionString());
    const QString alias = data.pageAlias();
    const QByteArray login = alias.toLatin1();
    const QString grantedCount =
        QStringLiteral("select count(*) from RDB$USER_PRIVILEGES where RDB$USER = '%1'").arg(alias);
    const QString writtenCount =
        QStringLiteral("select count(*) from USER_PRIV where UPR_MANAGER = %1 and UPR_MASK = 15").arg(data.pageManagerId);

    bench::Report report;
    report.title = QStringLiteral("profile copy of %1 objects (%2 GRANT, %1 mask updates, one transaction)")
                       .arg(kObjects)
                       .arg(4 * kObjects);
    report.targetRatio = 0.9;
    report.operations = kObjects;
    report.operationName = QStringLiteral("object");

    auto product = [&] {
      dorvik.openRightsPage(alias);
      const auto shownBefore = dorvik.prompter->shown().size();
      const bench::Timing t = bench::timed([&] {
        FormMain->CopyProfile(data.profileManagerId);
        QCoreApplication::processEvents();
      });
      if (dorvik.prompter->shown().size() != shownBefore)
        throw std::runtime_error(("the copy showed: " + dorvik.prompter->shown().back().text).toStdString());
      bench::expectEqual(dorvik.countInPage(writtenCount), kObjects, "masks the copy wrote");
      bench::expectEqual(dorvik.countInPage(grantedCount), 4 * kObjects, "rights the copy granted");
      dorvik.cancelRightsPage();
      return t;
    };

    auto bareLoop = [&] {
      bare.start();
      // The page's list is open before the copy starts, as on the page.
      const std::vector<bench::BareRow> page = bench::bareRightsRows(bare, data.pageManagerId);
      const bench::Timing t = bench::timed([&] {
        const std::vector<bench::BareRow> profile = bench::bareRightsRows(bare, data.profileManagerId);
        bench::BareMaskUpdate update(bare);
        bench::BareRowLock lock(bare);
        for (size_t i = 0; i < page.size() && i < profile.size(); ++i) {
          short mask = page[i].mask;
          for (const Right& r : kRights)
            if ((profile[i].mask ^ mask) & r.bit) {
              // The row is locked before its first statement.
              if (mask == page[i].mask && lock.run(page[i].id) != page[i].mask)
                throw std::runtime_error("the row's mask changed");
              bare.immediate(bench::rightText((profile[i].mask & r.bit) != 0, r.keyword, page[i].object, login));
              mask ^= r.bit;
            }
          if (mask != page[i].mask) update.run(mask, page[i].id);
        }
      });
      TIBQuery check;
      check.setDatabase(&bare.database);
      check.setTransaction(&bare.transaction);
      for (const auto& [select, wanted, what] :
           {std::tuple{writtenCount, kObjects, "masks the bare loop wrote"},
            std::tuple{grantedCount, 4 * kObjects, "rights the bare loop granted"}}) {
        check.SQL = QStringList{select};
        check.open();
        bench::expectEqual(check.fields().at(0)->asInteger(), wanted, what);
        check.close();
      }
      bare.rollback();
      return t;
    };

    std::printf("%s, %d runs, product and bare loop in turns\n", qPrintable(report.title), runs);
    for (int run = 0; run < runs; ++run) {
      bench::Timing p, b;
      if (run % 2 == 0) {
        p = product();
        b = bareLoop();
      } else {
        b = bareLoop();
        p = product();
      }
      report.add(p, b);
    }
    return report.print();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "profile_copy_bench: %s\n", e.what());
    return 2;
  }
}
