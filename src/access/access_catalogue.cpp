// Reading the table list from the catalogue, and renaming through it.
#include "access/access_catalogue.h"

#include <algorithm>

#include "access/access_connection.h"
#include "ui/prompter.h"
#include "ui/name_list.h"
#include "dataaccess/error.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/write/database_writer.h"
#include "jet/write/index_writer.h"
#include "settings/connection_settings.h"

namespace msaccess {

std::optional<QStringList> GetAccessTableNames(const QString& path, const settings::ConnectionSettings& settings) {
  try {
    jet::Database database =
        jet::Database::Open(path.toStdString(), TrimmedAccessPassword(settings).toStdString());
    QStringList names;
    for (const jet::CatalogueEntry& table : database.Tables()) {
      if (jet::IsUserTable(table.attributes)) names << QString::fromStdString(table.name);
    }
    return names;
  } catch (const std::exception&) {
    // Any failure, also one the engine did not foresee, means the same to
    // the list: the file cannot be read.
    return std::nullopt;
  }
}

void FillAccessTableList(const settings::ConnectionSettings& settings, ui::NameList& list,
                         ui::Prompter& prompter) {
  list.Clear();
  std::optional<QStringList> names = GetAccessTableNames(settings.AccessMDBFile(), settings);
  if (!names) {
    prompter.ShowMessage(QStringLiteral("Unable to access the database"));
    return;
  }
  for (const QString& name : *names) list.AddItem(name);
  if (list.ListCount() > 0) list.SetListIndex(0);
}

void RenameAccessTable(const settings::ConnectionSettings& settings, const QString& oldName,
                       const QString& newName) {
  try {
    jet::RenameTable(settings.AccessMDBFile().toStdString(), TrimmedAccessPassword(settings).toStdString(),
                     oldName.toStdString(), newName.toStdString());
  } catch (const jet::Error& failure) {
    throw dataaccess::DbError(failure.Number(), failure.Description());
  }
}

AccessTableFields GetAccessTableFields(const settings::ConnectionSettings& settings, const QString& table) {
  try {
    const jet::Database database =
        jet::Database::Open(settings.AccessMDBFile().toStdString(), settings.AccessPassword().toStdString());
    const jet::Table opened = database.OpenTable(table.toStdString());
    AccessTableFields fields;
    for (const jet::Column& column : opened.Columns()) {
      if (column.Readable()) {
        fields.readable.push_back(column.name);
        const bool text = column.Type() == jet::ColumnType::Text;
        const bool decimal = column.Type() == jet::ColumnType::Decimal;
        fields.columns.push_back({column.name, column.type, text ? column.length / 2 : column.length,
                                  decimal ? column.precision : 0, decimal ? column.scale : 0,
                                  column.IsAutoNumber()});
      } else {
        fields.unreadable << QStringLiteral("'%1' (%2)").arg(QString::fromStdString(column.name),
                                                            QString::fromStdString(jet::KindDescription(column)));
      }
    }
    const jet::TableDef& def = opened.Definition();
    for (const jet::LogicalIndex& logical : def.logicalIndexes) {
      if (logical.kind == jet::kForeignKeyIndex || logical.realIndex >= def.realIndexes.size()) continue;
      const jet::RealIndex& real = def.realIndexes[logical.realIndex];
      AccessIndexDesign index{logical.name, {}, logical.kind == jet::kPrimaryKeyIndex,
                              (real.flags & jet::kIndexUnique) != 0};
      bool readable = true;
      for (const auto& [number, ascending] : real.columns) {
        auto column = std::find_if(opened.Columns().begin(), opened.Columns().end(),
                                   [&](const jet::Column& c) { return c.number == number; });
        readable = readable && column != opened.Columns().end() && column->Readable();
        if (readable) index.columns.emplace_back(column->name, ascending);
      }
      if (readable && !index.columns.empty()) fields.indexes.push_back(std::move(index));
    }
    return fields;
  } catch (const jet::Error& failure) {
    throw dataaccess::DbError(failure.Number(), failure.Description());
  }
}

}  // namespace msaccess
