#include "tools/batch_steps.h"

#include <algorithm>
#include <array>
#include <span>

#include "operations/operation_table.h"

namespace vantoria::batch {
namespace {

using namespace ops;

// Whole decimal numbers only: no blanks, no fractions, no exponent, no overflow.
std::optional<long long> ParseInteger(const QString& text) {
  bool ok = false;
  const long long value = text.toLongLong(&ok, 10);
  if (!ok || text.trimmed() != text) {
    return std::nullopt;
  }
  return value;
}

// Parses exactly `ranges.size()` comma-separated integers, each inside its range.
std::optional<QList<int>> ParseValues(const QString& text, std::span<const ParameterRange> ranges,
                                      QString* error) {
  const QStringList parts = text.split(',');
  if (parts.size() != static_cast<qsizetype>(ranges.size())) {
    *error = QStringLiteral("需要 %1 个用逗号分开的整数").arg(ranges.size());
    return std::nullopt;
  }
  QList<int> values;
  for (std::size_t k = 0; k < ranges.size(); ++k) {
    const std::optional<long long> value = ParseInteger(parts[k]);
    if (!value || *value < ranges[k].low || *value > ranges[k].high) {
      *error = QStringLiteral("“%1”不是 %2 到 %3 之间的整数")
                   .arg(parts[k])
                   .arg(ranges[k].low)
                   .arg(ranges[k].high);
      return std::nullopt;
    }
    values.append(static_cast<int>(*value));
  }
  return values;
}

// OK of a dialog that showed no preview: the final message opens its own step. The fixed
// operations send their variant's selector.
std::optional<Action> Post(const OperationRow& row, const ParameterValues& values) {
  constexpr WParam kDialogOk = PackWParam(kOriginFinal, true);
  if (row.parameterCount == 0) {
    return PostMessage{{row.code, row.selector, 0}};
  }
  return PostMessage{{row.code, kDialogOk, row.pack(values)}};
}

std::span<const ParameterRange> RangesOf(const OperationRow& row) {
  return std::span(row.ranges).first(static_cast<std::size_t>(row.parameterCount));
}

// The rows whose step is `name`: one, or one per variant.
std::span<const OperationRow> RowsNamed(const QString& name) {
  const std::span<const OperationRow> table = OperationTable();
  const auto first = std::find_if(table.begin(), table.end(), [&name](const OperationRow& row) {
    return name == row.batchName;
  });
  const auto last = std::find_if(
      first, table.end(), [&name](const OperationRow& row) { return name != row.batchName; });
  return {first, last};
}

QStringList VariantNames(std::span<const OperationRow> rows) {
  QStringList names;
  for (const OperationRow& row : rows) {
    names.append(QString::fromLatin1(row.variantName));
  }
  return names;
}

std::optional<Action> ParseSelect(const QString& value, QString* error) {
  if (value == "all") {
    return SelectAll{};
  }
  if (value == "none") {
    return SelectNone{};
  }
  constexpr ParameterRange kCoordinate{0, 2147483647};
  constexpr std::array<ParameterRange, 4> kEdges = {kCoordinate, kCoordinate, kCoordinate,
                                                    kCoordinate};
  const auto v = ParseValues(value, kEdges, error);
  if (!v) {
    return std::nullopt;
  }
  if (v->at(0) > v->at(2) || v->at(1) > v->at(3)) {
    *error = QStringLiteral("左边不能大于右边，上边不能大于下边");
    return std::nullopt;
  }
  return SelectRegion{{v->at(0), v->at(1), v->at(2), v->at(3)}};
}

std::optional<Action> ParseWithValue(const QString& name, const QString& value, QString* error) {
  if (name == "select") {
    return ParseSelect(value, error);
  }
  const std::span<const OperationRow> rows = RowsNamed(name);
  if (rows.empty() || (rows.front().parameterCount == 0 && !rows.front().variantName)) {
    *error = QStringLiteral("无法识别的步骤");
    return std::nullopt;
  }
  if (rows.front().parameterCount > 0) {
    const auto values = ParseValues(value, RangesOf(rows.front()), error);
    if (!values) {
      return std::nullopt;
    }
    ParameterValues packed{};
    std::copy(values->begin(), values->end(), packed.begin());
    return Post(rows.front(), packed);
  }
  for (const OperationRow& row : rows) {
    if (value == row.variantName) {
      return Post(row, {});
    }
  }
  *error = QStringLiteral("可选的值为 %1").arg(VariantNames(rows).join('|'));
  return std::nullopt;
}

std::optional<Action> ParseBare(const QString& name, QString* error) {
  if (name == "undo") {
    return UndoStep{};
  }
  if (name == "redo") {
    return RedoStep{};
  }
  const std::span<const OperationRow> rows = RowsNamed(name);
  if (rows.size() == 1 && rows.front().parameterCount == 0 && !rows.front().variantName) {
    return Post(rows.front(), {});
  }
  *error = QStringLiteral("无法识别的步骤，或缺少“=值”");
  return std::nullopt;
}

// One help line: the step as written, its description with the ranges filled in.
QString HelpLine(std::span<const OperationRow> rows) {
  const OperationRow& row = rows.front();
  QString step = QString::fromLatin1(row.batchName);
  QStringList descriptions;
  if (row.variantName) {
    step += '=' + VariantNames(rows).join('|');
  } else if (row.valueNames) {
    step += '=' + QString::fromLatin1(row.valueNames);
  }
  for (const OperationRow& variant : rows) {
    descriptions.append(QString::fromUtf8(variant.help));
  }
  QString description = descriptions.join(QStringLiteral("、"));
  for (int k = row.parameterCount - 1; k >= 0; --k) {
    description.replace(QStringLiteral("%%1").arg(2 * k + 2), QString::number(row.ranges[k].high));
    description.replace(QStringLiteral("%%1").arg(2 * k + 1), QString::number(row.ranges[k].low));
  }
  constexpr qsizetype kColumn = 26;
  return QStringLiteral("  ") + step + QString(std::max<qsizetype>(3, kColumn - step.size()), ' ') +
         description + '\n';
}

}  // namespace

std::optional<Step> ParseStep(const QString& text, QString* error) {
  const qsizetype equals = text.indexOf('=');
  QString reason;
  const std::optional<Action> action =
      equals < 0 ? ParseBare(text, &reason)
                 : ParseWithValue(text.left(equals), text.mid(equals + 1), &reason);
  if (!action) {
    *error = QStringLiteral("步骤“%1”无效：%2").arg(text, reason);
    return std::nullopt;
  }
  return Step{text, *action};
}

QString StepHelp() {
  QString help = QStringLiteral("步骤（按顺序执行）：\n");
  for (std::span<const OperationRow> rest = OperationTable(); !rest.empty();) {
    const std::span<const OperationRow> rows =
        RowsNamed(QString::fromLatin1(rest.front().batchName));
    help += HelpLine(rows);
    rest = rest.subspan(rows.size());
  }
  return help + QStringLiteral(
                    "  select=L,T,R,B            选择矩形（图像像素，边界包含在内）\n"
                    "  select=all | select=none  全选、取消选区\n"
                    "  undo | redo               撤消、重做\n");
}

}  // namespace vantoria::batch
