// Prints what SheetJS (npm xlsx) makes of a spreadsheet file.
//
// Usage: node read_sheetjs.js FILE [--cp850]
//
// Run with NODE_PATH naming the node_modules folder that holds xlsx.
// Printed per worksheet: "sheet NAME", then one JSON array per row of the
// sheet's range: text cells as strings, number cells as numbers, numbers
// with a number format as {"n": number, "format": format}, empty cells as
// null. SheetJS 0.18.5 hands back the bytes of Lotus labels one byte a
// character, without a code page; --cp850 decodes them as code page 850
// (LMBCS group 1) with SheetJS's own code page table.
const XLSX = require("xlsx");
const codepages = require("xlsx/dist/cpexcel.js");

function main(path, cp850) {
  const book = XLSX.readFile(path);
  const text = (s) => (cp850 ? codepages.utils.decode(850, Buffer.from(s, "latin1")) : s);
  for (const name of book.SheetNames) {
    const sheet = book.Sheets[name];
    console.log("sheet " + name);
    if (!sheet["!ref"]) continue;
    const range = XLSX.utils.decode_range(sheet["!ref"]);
    for (let r = range.s.r; r <= range.e.r; ++r) {
      const row = [];
      for (let c = range.s.c; c <= range.e.c; ++c) {
        const cell = sheet[XLSX.utils.encode_cell({ r, c })];
        if (!cell) row.push(null);
        else if (cell.t === "s") row.push(text(cell.v));
        else if (cell.z && cell.z !== "General") row.push({ n: cell.v, format: cell.z });
        else row.push(cell.v);
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
