#pragma once

#include "cloud/CloudRecord.h"
#include "model/Records.h"
#include "platform/PropertyValue.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace orvane {

// The values of one record as the local changes queue keeps them: the record's keys, with the
// package link written as the package id.
using FieldDictionary = PropertyDictionary;

enum class RecordMappingError { invalidData };

template <typename Value>
using Mapped = std::variant<Value, RecordMappingError>;

RecordZoneID syncZoneID();

FieldDictionary ruleRecordFields(const Rule& rule, const std::string& packageId);
FieldDictionary packageRecordFields(const Package& package);

// A record to upload. `metadata` is the "RecordMetaData" dictionary: when it holds the system
// fields of this record, the record keeps the server's identity and change tag, so the upload
// modifies the server's version instead of colliding with it.
CloudRecord makeRecord(const std::string& type, const std::string& name, const FieldDictionary& fields,
                       const PropertyDictionary& metadata);

// The record's values back as a field dictionary (the package link as the package id).
FieldDictionary fieldsFromRecord(const CloudRecord& record);

Mapped<Package> packageFromRecord(const CloudRecord& record, std::vector<Rule> rules);
// Invalid when a required value is missing, a list names something this build does not know,
// a condition is only half there or there are two: a rule is never rebuilt with less than it had.
Mapped<Rule> ruleFromRecord(const CloudRecord& record);
// The package id a rule record links to.
std::optional<std::string> packageLink(const CloudRecord& record);

// One line for diagnostics: type, name, change tag and values.
std::string describeRecord(const CloudRecord& record);

} // namespace orvane
