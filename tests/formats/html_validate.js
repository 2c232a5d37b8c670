// SPDX-License-Identifier: LicenseRef-Quillmark
// Checks a catalogue page with html-validate: node html_validate.js NODE_MODULES PAGE.
// Prints every error and ends with status 1 when there is one.
//
// The validator knows today's HTML; the page is HTML 4.01 Transitional, whose presentational
// markup (font, align, bgcolor, border, the doctype, tables without tbody) it reports as
// obsolete. Those rules are off; everything about well-formed markup stays on. Duplicate
// ids are let pass too: every cell's inner table carries the id "Table_01", as the pages
// always have (nothing refers to it).
'use strict';
const path = require('path');

const [modules, page] = process.argv.slice(2);
const { HtmlValidate } = require(path.join(modules, 'html-validate'));

const validator = new HtmlValidate({
  extends: ['html-validate:recommended'],
  rules: {
    'doctype-html': 'off',
    'deprecated': 'off',
    'no-deprecated-attr': 'off',
    'element-permitted-content': 'off',
    'element-required-attributes': 'off',
    'prefer-tbody': 'off',
    'no-dup-id': 'off',
  },
});

validator.validateFile(page).then((report) => {
  for (const result of report.results)
    for (const message of result.messages)
      console.log(`${message.line}:${message.column} ${message.ruleId}: ${message.message}`);
  console.log(report.valid ? 'valid' : 'invalid');
  process.exit(report.valid ? 0 : 1);
});
