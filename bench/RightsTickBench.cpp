// One tick on the rights page as a person does it: a box ticked (the row
// locked, its GRANT run at once) and Down in the grid (the row's mask
// written). The product's page, open and shown on the offscreen platform,
// beside the bare statements on the client library (the lock, the GRANT
// through isc_dsql_execute_immediate and the mask update; the lock and the
// update prepared once), run after run in turns; each run is rolled back.
// A second series runs the events after every tick, so that the repaint is
// timed too (printed without a target).

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "BenchSupport.h"
#include "Main.h"
#include "db/IBQuery.h"
#include "ui/DataControls.h"
#include "ui/StdCtrls.h"

namespace {

const int kRows = 301;          // the last row is not left, so not written
const int kTicks = kRows - 1;

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = bench::runsFromArguments(argc, argv, 7);
  try {
    bench::RightsData data(kRows, 0, 0);
    bench::Dorvik dorvik(data);
    bench::BareConnection bare(data.database.connectionString());
    const QString alias = data.pageAlias();
    const QByteArray login = alias.toLatin1();
    const QString grantedCount =
        QStringLiteral("select count(*) from RDB$USER_PRIVILEGES where RDB$USER = '%1'").arg(alias);
    const QString writtenCount =
        QStringLiteral("select count(*) from USER_PRIV where UPR_MANAGER = %1 and UPR_MASK = 1").arg(data.pageManagerId);

    bench::Report report;
    report.title = QStringLiteral("one tick on the rights page (the GRANT and the row's mask write), %1 ticks a run")
                       .arg(kTicks);
    report.targetRatio = 0.5;  // within 2 times the bare statements
    report.operations = kTicks;
    report.operationName = QStringLiteral("tick");

    // The handlers of a tick; with repaintEachTick the events run after
    // every tick, so that the grid's and the boxes' repaint is timed too.
    auto product = [&](bool repaintEachTick) {
      dorvik.openRightsPage(alias);
      TFormMain& main = *FormMain;
      const auto shownBefore = dorvik.prompter->shown().size();
      const bench::Timing t = bench::timed([&] {
        for (int i = 0; i < kTicks; ++i) {
          main.CbRead->click();
          QTest::keyClick(main.RxDBGrid1, Qt::Key_Down);
          if (repaintEachTick) QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
      });
      if (dorvik.prompter->shown().size() != shownBefore)
        throw std::runtime_error(("the page showed: " + dorvik.prompter->shown().back().text).toStdString());
      bench::expectEqual(main.IBqDorvik->recNo(), kTicks, "rows moved through");
      bench::expectEqual(dorvik.countInPage(writtenCount), kTicks, "masks the page wrote");
      bench::expectEqual(dorvik.countInPage(grantedCount), kTicks, "rights the page granted");
      dorvik.cancelRightsPage();
      return t;
    };

    auto bareLoop = [&] {
      bare.start();
      const std::vector<bench::BareRow> page = bench::bareRightsRows(bare, data.pageManagerId);
      const bench::Timing t = bench::timed([&] {
        bench::BareMaskUpdate update(bare);
        bench::BareRowLock lock(bare);
        for (int i = 0; i < kTicks; ++i) {
          if (lock.run(page[size_t(i)].id) != page[size_t(i)].mask) throw std::runtime_error("the row's mask changed");
          bare.immediate(bench::rightText(true, "SELECT", page[size_t(i)].object, login));
          update.run(short(page[size_t(i)].mask | 1), page[size_t(i)].id);
        }
      });
      TIBQuery check;
      check.setDatabase(&bare.database);
      check.setTransaction(&bare.transaction);
      for (const QString& select : {writtenCount, grantedCount}) {
        check.SQL = QStringList{select};
        check.open();
        bench::expectEqual(check.fields().at(0)->asInteger(), kTicks, "rows the bare loop changed");
        check.close();
      }
      bare.rollback();
      return t;
    };

    bench::Report painted = report;
    painted.title = QStringLiteral("the same with the repaint after every tick (offscreen platform, no target)");
    painted.targetRatio = 0;

    std::printf("%s, %d runs, product and bare loop in turns\n", qPrintable(report.title), runs);
    for (int run = 0; run < runs; ++run) {
      bench::Timing p, b, withPaint;
      if (run % 2 == 0) {
        p = product(false);
        b = bareLoop();
        withPaint = product(true);
      } else {
        withPaint = product(true);
        b = bareLoop();
        p = product(false);
      }
      report.add(p, b);
      painted.product.push_back(withPaint);
      painted.bare.push_back(b);
    }
    const int result = report.print();
    painted.print();
    return result;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rights_tick_bench: %s\n", e.what());
    return 2;
  }
}
