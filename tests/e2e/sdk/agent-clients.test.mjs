// For each agent client, the configuration that the app's installer writes, started the way that
// client starts an MCP server (the entry's command and arguments, the client's own environment
// with the entry's variables over it), answers through the official MCP SDK client.
import { Client } from "@modelcontextprotocol/sdk/client/index.js";
import { StdioClientTransport, getDefaultEnvironment } from "@modelcontextprotocol/sdk/client/stdio.js";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { isAbsolute, join } from "node:path";
import { after, before, describe, test } from "node:test";

const server = process.env.TAVRO_MCP;
const seed = process.env.TAVRO_E2E_SEED;
const connect = process.env.TAVRO_E2E_CONNECT;
assert.ok(server && seed && connect, "TAVRO_MCP, TAVRO_E2E_SEED and TAVRO_E2E_CONNECT name the programs");

// Where each client reads its servers from, the agent name it passes on, and whether its
// documented entry names the transport.
const clients = [
  { id: "claudeCode", file: ".claude.json", key: "mcpServers", agent: "claude-code", typed: true },
  { id: "claudeDesktop", file: ".config/Claude/claude_desktop_config.json", key: "mcpServers", agent: "claude-desktop", typed: false },
  { id: "cursor", file: ".cursor/mcp.json", key: "mcpServers", agent: "cursor", typed: false },
  { id: "vsCode", file: ".config/Code/User/mcp.json", key: "servers", agent: "vscode", typed: true },
];

const toolNames = [
  "list_captures", "get_capture", "claim_capture", "comment_on_capture", "resolve_capture",
  "reopen_capture", "update_capture", "list_groups", "capture_stats",
];

describe("agent clients started from the configuration the installer wrote", () => {
  let home;
  let board;
  let written;

  before(() => {
    home = mkdtempSync(join(tmpdir(), "tavro-agents-"));
    // The user's default library, which a server started with no TAVRO_HOME opens.
    board = JSON.parse(execFileSync(seed, {
      env: { PATH: process.env.PATH, TAVRO_HOME: join(home, ".local/share/Tavro") },
    }));
    written = JSON.parse(execFileSync(connect, [server], {
      env: { PATH: process.env.PATH, HOME: home },
    }));
  });

  after(() => rmSync(home, { recursive: true, force: true }));

  for (const client of clients) {
    test(`${client.id} starts tavro-mcp and lists the tools`, async () => {
      const file = join(home, client.file);
      assert.equal(written[client.id], file);
      const entry = JSON.parse(readFileSync(file, "utf8"))[client.key].tavro;
      assert.deepEqual(Object.keys(entry).sort(), ["args", "command", "env", ...(client.typed ? ["type"] : [])]);
      if (client.typed) assert.equal(entry.type, "stdio");
      assert.ok(isAbsolute(entry.command), entry.command);
      assert.deepEqual(entry.env, { TAVRO_AGENT: client.agent });

      let stderr = "";
      const transport = new StdioClientTransport({
        command: entry.command,
        args: entry.args,
        env: { ...getDefaultEnvironment(), HOME: home, ...entry.env },
        stderr: "pipe",
      });
      transport.stderr.on("data", (chunk) => (stderr += chunk));
      const agent = new Client({ name: `${client.id}-stand-in`, version: "1.0.0" });
      try {
        await agent.connect(transport);
        assert.equal(agent.getServerVersion().name, "tavro", stderr);
        const { tools } = await agent.listTools();
        assert.deepEqual(tools.map((tool) => tool.name), toolNames);

        // The server read the user's library and took its agent name from the entry.
        const id = board.typo.slice(0, 8);
        const reply = await agent.callTool({ name: "comment_on_capture", arguments: { id, body: "Seen." } });
        assert.equal(reply.content[0].text, `Comment added to [${id}] “Typo in the footer” as ${client.agent}.`);
      } finally {
        await agent.close();
      }
    });
  }
});
