// Validates a JSON document against a JSON schema with Ajv, the schema's
// draft chosen from its "$schema" (draft-04 for the SARIF 2.1.0 schema,
// draft-07 otherwise), formats included.
//
//   node validate-json.js SCHEMA DOCUMENT
//
// Prints the errors and exits with 1 when the document is not valid.
'use strict';
const fs = require('fs');
const Ajv07 = require('ajv').default;
const Ajv04 = require('ajv-draft-04');
const addFormats = require('ajv-formats').default;

const [schemaPath, documentPath] = process.argv.slice(2);
if (!schemaPath || !documentPath) {
  console.error('usage: node validate-json.js SCHEMA DOCUMENT');
  process.exit(2);
}
const schema = JSON.parse(fs.readFileSync(schemaPath, 'utf8'));
const document = JSON.parse(fs.readFileSync(documentPath, 'utf8'));
const draft04 = String(schema.$schema || '').includes('draft-04');
// The SARIF schema's language pattern is not valid with the `u` flag.
const ajv = draft04 ? new Ajv04({allErrors: true, strict: false, unicodeRegExp: false})
                    : new Ajv07({allErrors: true});
addFormats(ajv);
const validate = ajv.compile(schema);
if (!validate(document)) {
  console.error(`${documentPath} does not match ${schemaPath}:`);
  for (const error of validate.errors) {
    console.error(`  ${error.instancePath || '/'} ${error.message} ${JSON.stringify(error.params)}`);
  }
  process.exit(1);
}
console.log(`${documentPath} matches ${schemaPath}`);
