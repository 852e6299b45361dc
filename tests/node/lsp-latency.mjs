// Measures how long `korvex-nr lsp` takes to answer on large documents: the
// largest file of tests/corpus and a generated file of about 1 MB. For each:
// the first semantic-token request after opening (which parses and
// resolves), the diagnostics after a one-character change (published with
// no debounce), a token request on the version just analysed (what a
// request costs once the debounced analysis ran), and a token request right
// after another change (analysis and answer). A measurement, not a test: it
// prints the median of several rounds.
//
//   node lsp-latency.mjs KORVEX_NR [ROUNDS]
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import lsp from 'vscode-languageserver-protocol/node';

const here = path.dirname(fileURLToPath(import.meta.url));
const tool = path.resolve(process.argv[2]);
const rounds = Number(process.argv[3] ?? 7);

function largestCorpusFile() {
  let largest = { size: -1 };
  const walk = (folder) => {
    for (const entry of fs.readdirSync(folder, { withFileTypes: true })) {
      const full = path.join(folder, entry.name);
      if (entry.isDirectory()) {
        walk(full);
      } else if (entry.name.endsWith('.kx') && fs.statSync(full).size > largest.size) {
        largest = { file: full, size: fs.statSync(full).size };
      }
    }
  };
  walk(path.join(here, '..', 'corpus'));
  return largest.file;
}

// A function file of about `bytes` bytes: a primary function with a nested
// function sharing its variables, and local functions calling each other.
function generatedFile(bytes) {
  const parts = [
    'function total = generated(n)\n',
    'total = 0;\nscale = 2;\n',
    'function addTo(k)\n    total = total + scale * k;\nend\n',
    'for k = 1:n\n    addTo(helper0(k));\nend\nend\n',
  ];
  let size = parts.join('').length;
  for (let i = 0; size < bytes; ++i) {
    const part =
      `function r = helper${i}(x)\n` +
      `% step ${i} of the chain\n` +
      `data = [x, ${i}, x * 2];\n` +
      `if x > ${i % 7}\n` +
      `    r = data(2) + numel(data) * x;\n` +
      `else\n` +
      `    r = helper${i + 1}(x - 1) + data(end);\n` +
      `end\n` +
      `end\n`;
    parts.push(part);
    size += part.length;
  }
  return parts.join('');
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function measure(name, file, text) {
  const server = spawn(tool, ['lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const connection = lsp.createProtocolConnection(
    new lsp.StreamMessageReader(server.stdout), new lsp.StreamMessageWriter(server.stdin));
  let diagnosticsArrived = () => {};
  connection.onNotification(lsp.PublishDiagnosticsNotification.type, () => diagnosticsArrived());
  connection.listen();
  await connection.sendRequest(lsp.InitializeRequest.type, {
    processId: process.pid, rootUri: null, capabilities: {}, initializationOptions: { debounceMs: 0 },
  });
  await connection.sendNotification(lsp.InitializedNotification.type, {});
  const uri = pathToFileURL(file).href;
  const textDocument = { uri };
  const open = [];
  const diagnostics = [];
  const tokens = [];
  const analysed = [];
  let version = 1;
  let tokenCount = 0;
  const change = () => connection.sendNotification(lsp.DidChangeTextDocumentNotification.type, {
    textDocument: { uri, version: ++version },
    contentChanges: [{ range: { start: { line: 0, character: 0 }, end: { line: 0, character: 0 } },
      text: version % 2 ? ' ' : '' }],
  });
  for (let round = 0; round < rounds; ++round) {
    let start = performance.now();
    await connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, {
      textDocument: { uri, languageId: 'korvex', version: ++version, text },
    });
    const full = await connection.sendRequest(lsp.SemanticTokensRequest.type, { textDocument });
    open.push(performance.now() - start);
    tokenCount = full.data.length / 5;

    const published = new Promise((resolve) => { diagnosticsArrived = resolve; });
    start = performance.now();
    await change();
    await published;
    diagnostics.push(performance.now() - start);

    start = performance.now();
    await connection.sendRequest(lsp.SemanticTokensRequest.type, { textDocument });
    analysed.push(performance.now() - start);

    start = performance.now();
    await change();
    await connection.sendRequest(lsp.SemanticTokensRequest.type, { textDocument });
    tokens.push(performance.now() - start);
    await connection.sendNotification(lsp.DidCloseTextDocumentNotification.type, { textDocument });
  }
  await connection.sendRequest(lsp.ShutdownRequest.type);
  await connection.sendNotification(lsp.ExitNotification.type);
  const ms = (values) => `${median(values).toFixed(1)} ms`;
  console.log(`${name}: ${(Buffer.byteLength(text) / 1e6).toFixed(3)} MB, ${tokenCount} tokens; ` +
    `open + tokens ${ms(open)}, change -> diagnostics ${ms(diagnostics)}, ` +
    `tokens when analysed ${ms(analysed)}, change + tokens ${ms(tokens)} (median of ${rounds})`);
  connection.dispose();
}

const corpusFile = largestCorpusFile();
await measure(path.relative(path.join(here, '..', '..'), corpusFile), corpusFile,
  fs.readFileSync(corpusFile, 'utf8'));
await measure('generated.kx', path.join(here, 'generated.kx'), generatedFile(1_000_000));
