#include "entry/page_gallery.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QImage>
#include <set>

#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp {
namespace {

TEST(PageGalleryTest, RendersEveryPageOfBothWizardsAsADistinctImage) {
  testing::ScratchDirectory scratch;
  std::string database = scratch.File("shop.db");
  schema::CreateReferenceDatabase(database, {.contacts = 5});
  data::Connection connection(database);

  std::vector<std::filesystem::path> files =
      RenderWizardPages(connection, scratch.File("pages"));

  ASSERT_EQ(files.size(), 16u) << "ten export pages and six import pages";
  EXPECT_EQ(files.front().filename(), "fFilterWizard-Start.png");
  EXPECT_EQ(files.back().filename(), "fImportWizard-Finished.png");
  std::set<QByteArray> distinct;
  for (const auto& file : files) {
    QImage image(QString::fromStdString(file.string()));
    ASSERT_FALSE(image.isNull()) << file;
    EXPECT_EQ(image.size(), QSize(476, 435)) << file;
    distinct.insert(QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()),
        QCryptographicHash::Sha1));
  }
  EXPECT_EQ(distinct.size(), files.size()) << "every page looks different";
}

}  // namespace
}  // namespace vdimpexp
