// What pofinfo prints or draws for a model read by pofread.
#pragma once

#include "pofinfo/pofread.h"

#include <cstdio>
#include <string>

namespace pofinfo {

// The readable summary, ending with "valid" or the problem.
void print_summary(FILE* out, const pofread::Model& model, const std::string& path);

// Each subobject's opcode tree, one line per opcode, indented by nesting.
void print_tree(FILE* out, const pofread::Model& model);

// The summary as JSON text (with a final line break).
std::string summary_json(const pofread::Model& model, const std::string& path);

} // namespace pofinfo
