// mdb-reader's view of the grown file: every row of [growth] read in chunks
// and checked against the pattern the bench wrote; prints the count.
//   node check_rows.mjs FILE
import { readFileSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const readerDir =
  process.env.TABLORIA_MDB_READER || new URL("../../tests/oracles/node_modules/mdb-reader", import.meta.url).pathname;
const { default: MDBReader } = await import(pathToFileURL(path.join(readerDir, "lib/node/index.js")).href);

const table = new MDBReader(readFileSync(process.argv[2])).getTable("growth");
const total = table.rowCount;
const seen = new Set();
let bad = 0;
for (let offset = 0; offset < total; offset += 20000) {
  for (const row of table.getData({ rowOffset: offset, rowLimit: 20000 })) {
    const i = Number(row.k.slice(1));
    const fill = String.fromCharCode(97 + (i % 26));
    const prefix = row.k + ":";
    const ok = row.m.length === 4000 && row.m.startsWith(prefix) && row.m.slice(prefix.length) === fill.repeat(4000 - prefix.length);
    if (!ok || seen.has(i)) bad++;
    seen.add(i);
  }
}
console.log(`mdb-reader: ${seen.size} rows, ${bad} wrong`);
process.exit(bad === 0 ? 0 : 1);
