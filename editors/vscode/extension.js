// Starts `korvex-nr lsp` for the .kx files of the window and stops it with
// the extension. The program and the settings for workspaces without
// korvex.toml come from the `korvex.server.*` settings.
'use strict';
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const settings = vscode.workspace.getConfiguration('korvex.server');
  const server = { command: settings.get('path', 'korvex-nr'), args: ['lsp'] };
  client = new LanguageClient(
    'korvex-nr',
    'Korvex names',
    { run: server, debug: server },
    {
      documentSelector: [{ language: 'korvex' }],
      initializationOptions: settings.get('initializationOptions', {}),
    });
  context.subscriptions.push(client);
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
