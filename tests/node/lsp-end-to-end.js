// Drives `korvex-nr lsp` as an editor does, through the protocol client
// library editors use: a project with a korvex.toml, a file with nested
// functions and a syntax error, then diagnostics, semantic tokens,
// definition, highlights, references, hover, rename, an incremental change,
// cancellation and the end of the session. A second session is fed raw
// bytes: malformed JSON, an unknown method, exit without shutdown.
//
//   node lsp-end-to-end.js KORVEX_NR
'use strict';
const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const lsp = require('vscode-languageserver-protocol/node');

const tool = path.resolve(process.argv[2]);
const project = fs.mkdtempSync(path.join(os.tmpdir(), 'korvex-lsp-'));
fs.writeFileSync(path.join(project, 'korvex.toml'), '[check]\nexternals = ["pkg.sub.fn"]\n');
const lines = [
  'function r = outer(a)',          // 0
  'global g',                       // 1
  'total = 0;',                     // 2
  'data = [1 2 3];',                // 3
  'function inner(k)',              // 4
  '    total = total + k + g;',     // 5
  'end',                            // 6
  'inner(a);',                      // 7
  'broken = total +',               // 8: a trailing operator
  'r = data(3) + helper(total) + pkg.sub.fn(1);', // 9
  'end',                            // 10
  'function y = helper(x)',         // 11
  'import pkg.sub.*',               // 12
  'y = fn(x);',                     // 13: pkg.sub.fn by its last part
  'end',                            // 14
];
const file = path.join(project, 'outer.kx');
const uri = pathToFileURL(file).href;
const doc = { uri };

function spawnServer() {
  const server = spawn(tool, ['lsp'], { cwd: project, stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  return { server, exited };
}

// Tokens decoded to {line, character, text, type, modifiers}.
function decodeTokens(data, legend) {
  const tokens = [];
  let line = 0;
  let character = 0;
  for (let i = 0; i < data.length; i += 5) {
    line += data[i];
    character = data[i] === 0 ? character + data[i + 1] : data[i + 1];
    const modifiers = legend.tokenModifiers.filter((_, bit) => data[i + 4] & (1 << bit));
    tokens.push({
      line,
      character,
      text: lines[line].substr(character, data[i + 2]),
      type: legend.tokenTypes[data[i + 3]],
      modifiers,
    });
  }
  return tokens;
}

function expectToken(tokens, line, character, text, type, modifiers) {
  const token = tokens.find((t) => t.line === line && t.character === character);
  assert.ok(token, `no token at ${line}:${character}`);
  assert.deepEqual([token.text, token.type, token.modifiers.sort()],
    [text, type, modifiers.sort()], `token at ${line}:${character}`);
}

async function rejection(promise) {
  try {
    await promise;
  } catch (error) {
    return error;
  }
  assert.fail('the request should have been refused');
}

async function session() {
  const { server, exited } = spawnServer();
  const connection = lsp.createProtocolConnection(
    new lsp.StreamMessageReader(server.stdout),
    new lsp.StreamMessageWriter(server.stdin));
  const published = [];
  const waiters = [];
  connection.onNotification(lsp.PublishDiagnosticsNotification.type, (params) => {
    published.push(params);
    waiters.splice(0).forEach((wake) => wake());
  });
  const diagnosticsOf = async (version) => {
    for (;;) {
      const found = published.find((p) => p.uri === uri && p.version === version);
      if (found) {
        return found.diagnostics;
      }
      await new Promise((wake) => waiters.push(wake));
    }
  };
  connection.listen();

  const init = await connection.sendRequest(lsp.InitializeRequest.type, {
    processId: process.pid,
    rootUri: pathToFileURL(project).href,
    capabilities: {},
    initializationOptions: { debounceMs: 20 },
  });
  const legend = init.capabilities.semanticTokensProvider.legend;
  assert.equal(init.capabilities.textDocumentSync.change, lsp.TextDocumentSyncKind.Incremental);
  await connection.sendNotification(lsp.InitializedNotification.type, {});
  await connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, {
    textDocument: { uri, languageId: 'korvex', version: 1, text: lines.join('\n') + '\n' },
  });

  // Diagnostics come without a request, after the quiet period: the syntax
  // error over the broken statement, nothing else (pkg.sub.fn is an
  // external of the project file).
  const diagnostics = await diagnosticsOf(1);
  assert.equal(diagnostics.length, 1, JSON.stringify(diagnostics));
  assert.equal(diagnostics[0].severity, lsp.DiagnosticSeverity.Error);
  assert.match(diagnostics[0].code, /^KORVEX:parse:/);
  assert.equal(diagnostics[0].range.start.line, 8);

  // Semantic tokens of what parsed around the error.
  const full = await connection.sendRequest(lsp.SemanticTokensRequest.type, { textDocument: doc });
  const tokens = decodeTokens(full.data, legend);
  const expect = (...token) => expectToken(tokens, ...token);
  expect(0, 19, 'a', 'parameter', ['declaration']);
  expect(1, 7, 'g', 'variable', ['global', 'sharedWithNested', 'declaration']);
  expect(2, 0, 'total', 'variable', ['sharedWithNested', 'declaration']);
  expect(4, 9, 'inner', 'nestedFunction', ['declaration']);
  expect(5, 12, 'total', 'variable', ['sharedWithNested']);
  expect(5, 24, 'g', 'variable', ['global', 'sharedWithNested']);
  expect(7, 0, 'inner', 'nestedFunction', []);
  expect(9, 4, 'data', 'variable', []);
  expect(9, 14, 'helper', 'localFunction', []);
  expect(9, 30, 'pkg.sub', 'namespace', []);
  expect(9, 38, 'fn', 'externalFunction', []);
  expect(13, 4, 'fn', 'externalFunction', ['imported']);
  expect(13, 7, 'x', 'parameter', []);
  assert.ok(!tokens.some((t) => t.line === 8), 'the broken statement has no tokens');

  // A range request gives the tokens of its lines only.
  const range = await connection.sendRequest(lsp.SemanticTokensRangeRequest.type, {
    textDocument: doc, range: { start: { line: 5, character: 0 }, end: { line: 6, character: 0 } },
  });
  assert.deepEqual(decodeTokens(range.data, legend).map((t) => t.line), [5, 5, 5, 5]);

  // A use jumps to its introducer; highlights and references find the rest.
  const totalInInner = { textDocument: doc, position: { line: 5, character: 14 } };
  const definition = await connection.sendRequest(lsp.DefinitionRequest.type, totalInInner);
  assert.deepEqual(definition.range, { start: { line: 2, character: 0 }, end: { line: 2, character: 5 } });
  const highlights = await connection.sendRequest(lsp.DocumentHighlightRequest.type, totalInInner);
  assert.deepEqual(highlights.map((h) => [h.range.start.line, h.range.start.character, h.kind]),
    [[2, 0, 3], [5, 4, 2], [5, 12, 2], [9, 21, 2]]);
  const references = await connection.sendRequest(lsp.ReferencesRequest.type,
    { ...totalInInner, context: { includeDeclaration: false } });
  assert.equal(references.length, 3);
  const helperDefinition = await connection.sendRequest(lsp.DefinitionRequest.type,
    { textDocument: doc, position: { line: 9, character: 16 } });
  assert.deepEqual(helperDefinition.range.start, { line: 11, character: 13 });
  const importDefinition = await connection.sendRequest(lsp.DefinitionRequest.type,
    { textDocument: doc, position: { line: 13, character: 5 } });
  assert.deepEqual(importDefinition.range,
    { start: { line: 12, character: 7 }, end: { line: 12, character: 16 } });

  const hover = await connection.sendRequest(lsp.HoverRequest.type,
    { textDocument: doc, position: { line: 9, character: 5 } });
  assert.match(hover.contents.value, /`data`: variable/);
  assert.match(hover.contents.value, /introduced on line 4: `data = \[1 2 3\];`/);

  // Renames: one that keeps every meaning, one that would capture `data`,
  // one to a keyword, and one of an external name.
  const rename = await connection.sendRequest(lsp.RenameRequest.type,
    { ...totalInInner, newName: 'sum' });
  assert.equal(rename.changes[uri].length, 4);
  assert.ok(rename.changes[uri].every((edit) => edit.newText === 'sum'));
  const captured = await rejection(connection.sendRequest(lsp.RenameRequest.type,
    { ...totalInInner, newName: 'data' }));
  assert.match(captured.message, /would change what 'data' on line 4, column 1 refers to/);
  const keyword = await rejection(connection.sendRequest(lsp.RenameRequest.type,
    { ...totalInInner, newName: 'end' }));
  assert.match(keyword.message, /'end' is not a name/);
  const external = await rejection(connection.sendRequest(lsp.PrepareRenameRequest.type,
    { textDocument: doc, position: { line: 9, character: 39 } }));
  assert.match(external.message, /only variables and functions of this file can be renamed/);

  // An incremental change: the broken line is mended, another assignment
  // added; the new version gets its diagnostics and tokens.
  await connection.sendNotification(lsp.DidChangeTextDocumentNotification.type, {
    textDocument: { uri, version: 2 },
    contentChanges: [
      { range: { start: { line: 8, character: 14 }, end: { line: 8, character: 16 } }, text: '+ 1;' },
      { range: { start: { line: 3, character: 15 }, end: { line: 3, character: 15 } }, text: ' extra = data;' },
    ],
  });
  lines[8] = 'broken = total + 1;';
  lines[3] = 'data = [1 2 3]; extra = data;';
  const delta = await connection.sendRequest(lsp.SemanticTokensDeltaRequest.type,
    { textDocument: doc, previousResultId: full.resultId });
  assert.equal(delta.edits.length, 1);
  assert.deepEqual(await diagnosticsOf(2), []);
  const after = decodeTokens((await connection.sendRequest(lsp.SemanticTokensRequest.type,
    { textDocument: doc })).data, legend);
  expectToken(after, 3, 16, 'extra', 'variable', ['declaration']);
  expectToken(after, 8, 9, 'total', 'variable', ['sharedWithNested']);

  // Requests the server cannot answer are protocol errors, not crashes.
  const unknown = await rejection(connection.sendRequest(lsp.HoverRequest.type,
    { textDocument: { uri: uri + '.missing' }, position: { line: 0, character: 0 } }));
  assert.equal(unknown.code, lsp.ErrorCodes.InvalidParams);
  const outside = await rejection(connection.sendRequest(lsp.DefinitionRequest.type,
    { textDocument: doc, position: { line: 400, character: 0 } }));
  assert.match(outside.message, /outside the document/);

  // A request cancelled while the server is busy with a large document is
  // answered as cancelled.
  const large = 'function big()\n' + 'value = 1; other = value + 2;\n'.repeat(40000) + 'end\n';
  const largeUri = pathToFileURL(path.join(project, 'big.kx')).href;
  await connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, {
    textDocument: { uri: largeUri, languageId: 'korvex', version: 1, text: large },
  });
  const busy = connection.sendRequest(lsp.SemanticTokensRequest.type, { textDocument: { uri: largeUri } });
  const source = new lsp.CancellationTokenSource();
  const cancelled = connection.sendRequest(lsp.HoverRequest.type,
    { textDocument: { uri: largeUri }, position: { line: 1, character: 0 } }, source.token);
  source.cancel();
  assert.ok((await busy).data.length > 0);
  assert.equal((await rejection(cancelled)).code, lsp.LSPErrorCodes.RequestCancelled);

  await connection.sendRequest(lsp.ShutdownRequest.type);
  await connection.sendNotification(lsp.ExitNotification.type);
  assert.equal(await exited, 0, 'exit after shutdown');
  connection.dispose();
}

// Raw frames: what a broken client might send.
async function rawSession() {
  const { server, exited } = spawnServer();
  let output = '';
  server.stdout.on('data', (chunk) => { output += chunk; });
  const frame = (body) => `Content-Length: ${Buffer.byteLength(body)}\r\n\r\n${body}`;
  server.stdin.write(frame('{"jsonrpc":"2.0","id":1,"method":"textDocument/hover","params":{}}'));
  server.stdin.write(frame('{"jsonrpc":"2.0","id":2,"method":"initialize","params":{"capabilities":{}}}'));
  server.stdin.write(frame('{not json'));
  server.stdin.write(frame('['.repeat(200000) + ']'.repeat(200000)));
  server.stdin.write('Content-Type: nothing else\r\n\r\n');
  server.stdin.write(frame('{"jsonrpc":"2.0","id":3,"method":"no/such/method"}'));
  server.stdin.write(frame('{"jsonrpc":"2.0","method":"no/such/notification"}'));
  server.stdin.write(frame('{"jsonrpc":"2.0","id":4,"method":"textDocument/definition","params":{"textDocument":{}}}'));
  server.stdin.write(frame('{"jsonrpc":"2.0","method":"exit"}'));
  assert.equal(await exited, 1, 'exit without shutdown');
  const answers = output.split(/Content-Length: \d+\r\n\r\n/).filter(Boolean).map((body) => JSON.parse(body));
  const errorOf = (id) => answers.find((a) => a.id === id && a.error).error.code;
  assert.equal(errorOf(1), -32002);
  assert.ok(answers.find((a) => a.id === 2).result.capabilities);
  assert.deepEqual(answers.filter((a) => a.id === null).map((a) => a.error.code), [-32700, -32700, -32700]);
  assert.equal(errorOf(3), -32601);
  assert.equal(errorOf(4), -32602);
  assert.equal(answers.length, 7, 'a notification gets no answer');
}

(async () => {
  try {
    await session();
    await rawSession();
    console.log('language server end-to-end test passed');
  } finally {
    fs.rmSync(project, { recursive: true, force: true });
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
