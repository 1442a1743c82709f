// LISP functions on the points of the current table and on the codes. Each
// reads its arguments with zcedGetArgs and sets its value with a zcedRet
// call; wrong arguments give nil (or no value where noted).
#pragma once

#include "points/point.hpp"

// Creates the point block of a record and adds the point to the current
// table (nothing when the table is full).
void placerPointXYZ(const pointXYZ& p);

// (add_pt name code position altitude [observation])
void lisp_add_pt();
// (gltraddpt name code point altitude-or-nil observation): replaces a point
// of the same name.
void lisp_gltraddpt();
// (reg_pts): every point's block created or brought up to date.
void lisp_reg_pts();
// (updarxttxt factor): the block size factor.
void lisp_updarxttxt();
// (chgreppts code block-file): the points of a code take another block.
void lisp_chgreppts();
// (loadcodept): ((code . label) ...), the table sorted by code.
void lisp_loadcodept();
// (addcodept code label)
void lisp_addcodept();
// (resetcodespts): empties the codification table (in memory).
void lisp_resetcodespts();
// (ename_pt name): the entity of a point's block, or nil.
void lisp_ename_pt();
// (maxnum): 1 + the largest number among the point names.
void lisp_maxnum();
// (select_all), (seloncode code), (selonnum prefix n1 n2): selection sets
// of point blocks.
void lisp_select_all();
void lisp_seloncode();
void lisp_selonnum();
// (is_vrplus2018): 1.
void lisp_is_vrplus2018();
// (k_getpt prompt base-or-nil): a point, or nil.
void lisp_k_getpt();
