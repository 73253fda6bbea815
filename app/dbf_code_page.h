#pragma once
// The ".cpg" file beside a DBF table: one line naming the encoding of the table's texts, which
// GDAL, QGIS and dbfread read where the table's own language-driver byte says nothing.

#include <string>

namespace tabulink {

// "<table without its extension>.cpg".
std::string codePagePath(const std::string& tablePath);

// Creates `path` (which must not exist) holding `encoding`; 0, or the errno of the failure.
int writeCodePage(const std::string& path, const std::string& encoding);

}  // namespace tabulink
