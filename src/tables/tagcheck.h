// The check a tag read from the CDX file passes before an open uses its entries instead
// of rebuilding them from the data.
//
// Rebuilding every tag on each open (evaluating every key and sorting them) costs
// O(n log n) and made opening a large table slow; the quick check costs one pass over
// the stored entries plus a few dozen key evaluations, and still catches what goes wrong
// in practice:
//  - a damaged tree: readCdx already walks the leaves, bounds every page, offset and
//    record number, and rejects keys out of order;
//  - an index left behind by a crash or by another program that changed the table
//    without it: records appended or removed, or deleted marks changed, show as an entry
//    count or membership that differs from the data. Membership is checked exactly: every
//    record appears at most once, and the set of records is the one the FOR condition
//    selects (all records without one; the records not marked deleted for ".not.
//    deleted()", known from the flag pass the open makes anyway; any other condition is
//    evaluated on every record);
//  - keys that no longer match their records: compared for a spread sample, the first
//    and last records (where appends and recent edits land), records spread evenly by
//    number, and the entries at both ends of the tag and spread along it (the ones a
//    list shows first).
// A key changed elsewhere on a record outside the sample passes; Table::verifyTags makes
// the full comparison, and an edit that moves such a record's key rebuilds the tag (its
// old entry is not found where the data says it is).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tables {

struct Tag;
struct CdxTag;
class DbfFile;

// Record numbers whose keys the quick check compares, ascending; and the positions of
// further entries it compares, in a tag of `entries` entries (ascending key order).
std::vector<std::uint32_t> sampleRecords(std::uint32_t count);
std::vector<std::size_t> sampleEntries(std::size_t entries);

// Why the stored entries of a tag cannot be used for the table's data, or "" when they
// pass the quick check. `deleted` lists the records marked deleted, ascending.
std::string checkStoredEntries(const Tag& tag, const CdxTag& stored, const DbfFile& dbf,
                               const std::vector<std::uint32_t>& deleted);

}  // namespace tables
