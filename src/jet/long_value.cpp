#include "jet/long_value.h"

#include <unordered_set>

#include "jet/data_page.h"
#include "jet/error.h"

namespace jet {
namespace {

// The bytes of one LVAL row, kept alive with its page.
struct LvalRow {
  PageRef page;
  ByteSpan bytes;
};

LvalRow ReadLvalRow(Pager& pager, RowPointer where) {
  LvalRow r{pager.Read(where.page), {}};
  DataPage page(*r.page, pager.Format());
  if (!page.IsData() || page.Owner() != kLvalOwner) ThrowDamaged("a memo or OLE value points to a page of another kind");
  r.bytes = page.Row(where.row);
  return r;
}

}  // namespace

void VisitLongValueRows(Pager& pager, ByteSpan ref, const LongValueVisitor& visit) {
  Require(ref, 0, kLongValueReferenceSize, "a memo or OLE reference cut short");
  std::uint32_t head = U32(ref, 0);
  std::size_t length = head & kLongValueLengthMask;
  RowPointer where = RowPointer::FromU32(U32(ref, 4));
  if (head & kLongValueInline) {
    Require(ref, kLongValueReferenceSize, length, "an inline memo or OLE value cut short");
    return;
  }
  // No value can hold more bytes than the file has pages for.
  if (length > std::uint64_t{pager.PageCount()} * pager.PageSize()) ThrowDamaged("a memo or OLE value longer than the file");
  if (head & kLongValueSingle) {
    LvalRow row = ReadLvalRow(pager, where);
    if (row.bytes.size() < length) ThrowDamaged("a memo or OLE value cut short");
    visit(where, row.bytes.first(length));
    return;
  }
  // The whole chain is checked before the first visit.
  std::vector<std::pair<RowPointer, LvalRow>> rows;
  std::unordered_set<std::uint32_t> seen;
  for (std::size_t found = 0; found < length;) {
    if (where.page == 0) ThrowDamaged("a memo or OLE value whose pages end early");
    if (!seen.insert(where.ToU32()).second) ThrowDamaged("a memo or OLE value whose pages form a cycle");
    LvalRow row = ReadLvalRow(pager, where);
    Require(row.bytes, 0, 4, "a memo or OLE page cut short");
    RowPointer next = RowPointer::FromU32(U32(row.bytes, 0));
    std::size_t take = std::min(row.bytes.size() - 4, length - found);
    row.bytes = row.bytes.subspan(4, take);
    found += take;
    rows.emplace_back(where, std::move(row));
    where = next;
  }
  for (const auto& [at, row] : rows) visit(at, row.bytes);
}

void ReadLongValue(Pager& pager, ByteSpan ref, std::vector<std::uint8_t>& out) {
  out.clear();
  Require(ref, 0, kLongValueReferenceSize, "a memo or OLE reference cut short");
  std::uint32_t head = U32(ref, 0);
  if (head & kLongValueInline) {
    std::size_t length = head & kLongValueLengthMask;
    Require(ref, kLongValueReferenceSize, length, "an inline memo or OLE value cut short");
    out.assign(ref.begin() + kLongValueReferenceSize, ref.begin() + kLongValueReferenceSize + length);
    return;
  }
  out.reserve(std::min<std::size_t>(head & kLongValueLengthMask, std::size_t{pager.PageCount()} * kPageSize));
  VisitLongValueRows(pager, ref, [&](RowPointer, ByteSpan data) { out.insert(out.end(), data.begin(), data.end()); });
}

}  // namespace jet
