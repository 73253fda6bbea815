#pragma once
// The table commands under the names the rest of the program calls them. Each acts on the table
// in the current work area unless it names an area; failures raise run-time errors.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "table/field_description.h"

namespace tabulink {

// Creates the table file (and its memo file) of `structure`; the current area is unchanged.
void DBCREATE(const std::string& file, const std::vector<FieldDescription>& structure);
// Opens `file` in the lowest empty area (newArea) or the current one (after closing its table)
// under `alias` (empty: the file's base name) and makes that area current. Shared and read-only
// default to false. False when the open was refused or given up.
bool DBUSEAREA(bool newArea, std::string_view driver, const std::string& file,
               std::string_view alias = {}, std::optional<bool> shared = {},
               std::optional<bool> readOnly = {});
void DBSELECTAREA(int area);
// An area number in text, a letter A to K (areas 1 to 11), or an alias.
void DBSELECTAREA(std::string_view area);
int SELECT();
std::string ALIAS();
void DBCLOSEAREA();

void DBGOTO(int64_t recNo);
void DBGOTOP();
void DBGOBOTTOM();
void DBSKIP(int64_t count = 1);
uint32_t RECNO();
uint32_t RECCOUNT();
bool BOF();
bool DBEOF();  // the end-of-file flag; EOF itself is a macro of the C library
bool FOUND();

// 1-based field positions; FIELDGET gives the absent value for a position outside the fields or
// with no table open. FIELDPUT returns the value when it was stored, else the absent value.
Value FIELDGET(int pos);
Value FIELDPUT(int pos, const Value& value);
// The position of the first field named `name` (letter case ignored); 0 when none.
int FIELDPOS(std::string_view name);
// Assignment to a field by name, "NAME" in the current area or "ALIAS->NAME" in the area of
// that alias. Resolve names once with FIELDPOS where a loop assigns many records.
bool assignField(std::string_view target, const Value& value);

bool DBAPPEND();
void DBDELETE();
bool DELETED();
void __DBPACK();
void __DBZAP();

}  // namespace tabulink
