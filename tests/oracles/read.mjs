// mdb-reader's view of one .mdb file, as JSON on standard output, for tests
// that check what a second, independent reader sees after our engine wrote:
//   node read.mjs FILE [PASSWORD]          {"tables": [user table names]}
//   node read.mjs FILE PASSWORD TABLE      {"columns": [...], "rows": [[...]]}
// Texts come as they are, Null as null; other values in JSON's own form.
import { readFileSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const [file, password = "", table] = process.argv.slice(2);
const readerDir = process.env.TABLORIA_MDB_READER || new URL("./node_modules/mdb-reader", import.meta.url).pathname;
const { default: MDBReader } = await import(pathToFileURL(path.join(readerDir, "lib/node/index.js")).href);

const reader = new MDBReader(readFileSync(file), password ? { password } : {});
if (table === undefined) {
  console.log(JSON.stringify({ tables: reader.getTableNames() }));
} else {
  const t = reader.getTable(table);
  const columns = t.getColumnNames();
  const rows = t.getData().map((row) => columns.map((c) => (row[c] === undefined ? null : row[c])));
  console.log(JSON.stringify({ columns, rows }));
}
