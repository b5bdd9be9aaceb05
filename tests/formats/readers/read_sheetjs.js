// Usage: NODE_PATH=<node_modules with xlsx> node read_sheetjs.js FILE [--cp850]
// What SheetJS makes of FILE: per worksheet "sheet NAME", then a JSON array a row (text,
// numbers, {"n": number, "format": format}, null). SheetJS 0.18.5 hands back Lotus labels
// a byte a character; --cp850 decodes them as LMBCS group 1 with its own code page table.
const XLSX = require("xlsx");
const codepages = require("xlsx/dist/cpexcel.js");

function main(path, cp850) {
  const book = XLSX.readFile(path);
  const text = (s) => (cp850 ? codepages.utils.decode(850, Buffer.from(s, "latin1")) : s);
  const value = (cell) =>
    !cell ? null
    : cell.t === "s" ? text(cell.v)
    : cell.z && cell.z !== "General" ? { n: cell.v, format: cell.z }
    : cell.v;
  for (const name of book.SheetNames) {
    const sheet = book.Sheets[name];
    console.log("sheet " + name);
    if (!sheet["!ref"]) continue;
    const range = XLSX.utils.decode_range(sheet["!ref"]);
    for (let r = range.s.r; r <= range.e.r; ++r) {
      const row = [];
      for (let c = range.s.c; c <= range.e.c; ++c) {
        row.push(value(sheet[XLSX.utils.encode_cell({ r, c })]));
      }
      console.log(JSON.stringify(row));
    }
  }
}

try {
  main(process.argv[2], process.argv.includes("--cp850"));
} catch (error) {
  console.log("SheetJS failed: " + error);
  process.exit(1);
}
