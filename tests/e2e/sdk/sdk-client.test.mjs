// Drives the built tavro-mcp over stdio with the official MCP TypeScript SDK client, on a library
// that tavro-e2e-seed fills: what a real agent client sees, end to end.
import { Client } from "@modelcontextprotocol/sdk/client/index.js";
import { StdioClientTransport } from "@modelcontextprotocol/sdk/client/stdio.js";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { inflateSync } from "node:zlib";
import { join } from "node:path";
import { after, before, describe, test } from "node:test";

const server = process.env.TAVRO_MCP;
const seed = process.env.TAVRO_E2E_SEED;
assert.ok(server && seed, "TAVRO_MCP and TAVRO_E2E_SEED name the programs under test");

const toolNames = [
  "list_captures", "get_capture", "claim_capture", "comment_on_capture", "resolve_capture",
  "reopen_capture", "update_capture", "list_groups", "capture_stats",
];

// Width and height of a PNG, after checking that it decodes: the signature, the chunks up to
// IEND, and image data that inflates to one filtered row per line of pixels.
function pngSize(base64) {
  const bytes = Buffer.from(base64, "base64");
  assert.deepEqual([...bytes.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
  const chunks = [];
  for (let at = 8; at < bytes.length; ) {
    const length = bytes.readUInt32BE(at);
    chunks.push({ type: bytes.subarray(at + 4, at + 8).toString("latin1"), data: bytes.subarray(at + 8, at + 8 + length) });
    at += 12 + length;
  }
  assert.equal(chunks[0].type, "IHDR");
  assert.equal(chunks.at(-1).type, "IEND");
  const width = chunks[0].data.readUInt32BE(0);
  const height = chunks[0].data.readUInt32BE(4);
  const channels = { 2: 3, 6: 4 }[chunks[0].data[9]];
  assert.equal(chunks[0].data[8], 8, "8 bits per channel");
  const pixels = inflateSync(Buffer.concat(chunks.filter((c) => c.type === "IDAT").map((c) => c.data)));
  assert.equal(pixels.length, height * (1 + width * channels));
  return [width, height];
}

function texts(result) {
  return result.content.filter((block) => block.type === "text").map((block) => block.text);
}

describe("tavro-mcp through the MCP SDK client", () => {
  let home;
  let board;
  let client;
  let transport;
  let stderr = "";

  before(async () => {
    home = mkdtempSync(join(tmpdir(), "tavro-sdk-"));
    board = JSON.parse(execFileSync(seed, { env: { ...process.env, TAVRO_HOME: home } }));
    transport = new StdioClientTransport({
      command: server,
      args: [],
      env: { ...process.env, TAVRO_HOME: home, TAVRO_AGENT: "sdk-agent" },
      stderr: "pipe",
    });
    transport.stderr.on("data", (chunk) => (stderr += chunk));
    client = new Client({ name: "tavro-e2e", version: "1.0.0" });
    await client.connect(transport);
  });

  after(async () => {
    await client?.close();
    rmSync(home, { recursive: true, force: true });
  });

  test("initialize names the server and gives the instructions", async () => {
    assert.deepEqual(client.getServerVersion(), { name: "tavro", version: "1.0.0" });
    assert.equal(Buffer.byteLength(client.getInstructions(), "utf8"), 1109);
    const capabilities = client.getServerCapabilities();
    assert.deepEqual(capabilities.tools, { listChanged: false });
    assert.deepEqual(capabilities.resources, { subscribe: false, listChanged: false });
    // Standard error is a pipe of its own: its first line may arrive after the reply.
    for (let waited = 0; !stderr.includes("\n") && waited < 5000; waited += 20)
      await new Promise((resolve) => setTimeout(resolve, 20));
    assert.match(stderr, /^\[tavro-mcp\] ready — library at .*tavro\.sqlite\n/);
  });

  test("lists the nine tools in order with closed object schemas", async () => {
    const { tools } = await client.listTools();
    assert.deepEqual(tools.map((tool) => tool.name), toolNames);
    for (const tool of tools) {
      assert.equal(tool.inputSchema.type, "object");
      assert.equal(tool.inputSchema.additionalProperties, false);
      assert.ok(tool.description.length > 40);
    }
  });

  test("list_captures, list_groups and capture_stats read the board", async () => {
    const list = texts(await client.callTool({ name: "list_captures", arguments: {} }))[0];
    assert.match(list, /^2 captures:\n\n\[/);
    assert.ok(list.includes(`[${board.checkout.slice(0, 8)}] OPEN !high Checkout button overlaps the total`));
    assert.ok(list.includes("group:checkout flow · tags:layout,mobile · 2 screenshots"));
    assert.ok(list.includes("Mail · no screenshot"));
    assert.ok(list.endsWith("\n\nCall get_capture with an id to see the screenshot."));

    const groups = texts(await client.callTool({ name: "list_groups", arguments: {} }))[0];
    assert.ok(groups.startsWith("checkout flow — 1 open of 1\n    ids: " + board.checkout.slice(0, 8)));
    assert.ok(groups.includes("(no group) — 1 open"));

    const stats = texts(await client.callTool({ name: "capture_stats", arguments: {} }))[0];
    assert.ok(stats.startsWith("Open: 2   In progress: 0   Resolved: 1   Archived: 0\n\n"));
    assert.ok(stats.includes("High priority open: 1"));
  });

  test("get_capture returns the detail text and PNG screenshots scaled for the agent", async () => {
    const result = await client.callTool({
      name: "get_capture",
      arguments: { id: board.checkout.slice(0, 8) },
    });
    assert.equal(result.isError, false);
    const types = result.content.map((block) => block.type);
    assert.deepEqual(types, ["text", "text", "image", "text", "image"]);
    assert.ok(result.content[0].text.startsWith(`Capture ${board.checkout}\nStatus: OPEN   Priority: High`));
    assert.equal(result.content[1].text, "Screenshot 1 of 2");
    assert.equal(result.content[3].text, "Screenshot 2 of 2 — marked up by the user");
    assert.deepEqual(pngSize(result.content[2].data), [1400, 909]);
    assert.equal(result.content[2].mimeType, "image/png");
    assert.deepEqual(pngSize(result.content[4].data), [800, 600]);

    const small = await client.callTool({
      name: "get_capture",
      arguments: { ids: [board.checkout, board.typo, "nothing"], max_image_edge: 50 },
    });
    assert.deepEqual(pngSize(small.content[2].data), [200, 130]);
    assert.equal(small.content.at(-1).text, "Could not resolve: nothing. Call list_captures for current ids.");
  });

  test("the capture-changing tools work a capture from claim to reopen", async () => {
    const id = board.typo.slice(0, 8);
    const call = async (name, args) => texts(await client.callTool({ name, arguments: args }))[0];
    assert.equal(await call("claim_capture", { id }),
      `Claimed [${id}] “Typo in the footer” as sdk-agent. Status is now IN-PROGRESS.`);
    assert.equal(await call("comment_on_capture", { id, body: "  Found it.\n" }),
      `Comment added to [${id}] “Typo in the footer” as sdk-agent.`);
    assert.equal(await call("update_capture", { id, priority: "high", tags: ["copy"], group: "Footer" }),
      `Updated [${id}]: priority → High, group → Footer, tags → copy.`);
    assert.equal(await call("resolve_capture", { id, reference: "abc123", comment: "Fixed the typo" }),
      `Resolved [${id}] “Typo in the footer”. Reference: abc123`);
    assert.equal(await call("reopen_capture", { id, agent: "  reviewer " }),
      `Reopened [${id}] “Typo in the footer”. Status is now OPEN.`);

    const detail = texts(await client.callTool({ name: "get_capture", arguments: { id } }))[0];
    assert.ok(detail.includes("── Comments (2) ──"));
    assert.ok(detail.includes("sdk-agent: Found it."));
    assert.ok(detail.includes("reviewer changed status: Resolved → Open"));
    assert.ok(detail.includes("Group: Footer\nTags: copy"));

    const unknown = await client.callTool({ name: "Claim_Capture", arguments: { id } });
    assert.equal(unknown.isError, true);
    assert.equal(texts(unknown)[0], "Unknown tool: Claim_Capture");
  });

  test("captures are resources whose reads carry the detail and the cover image", async () => {
    const { resources } = await client.listResources();
    const checkout = resources.find((r) => r.uri === `tavro://capture/${board.checkout}`);
    assert.ok(checkout);
    assert.equal(checkout.name, "Checkout button overlaps the total");
    assert.equal(checkout.description, "Seen in Firefox · “Checkout — Shop” · OPEN");
    assert.equal(checkout.mimeType, "image/png");
    const typo = resources.find((r) => r.uri === `tavro://capture/${board.typo}`);
    assert.equal(typo.mimeType, "text/plain");

    const read = await client.readResource({ uri: checkout.uri });
    assert.equal(read.contents.length, 2);
    assert.equal(read.contents[0].mimeType, "text/plain");
    assert.ok(read.contents[0].text.startsWith(`Capture ${board.checkout}`));
    assert.equal(read.contents[1].mimeType, "image/png");
    assert.deepEqual(pngSize(read.contents[1].blob), [1400, 909]);

    await assert.rejects(client.readResource({ uri: "tavro://capture/" }),
      /Expected a tavro:\/\/capture\/<id> uri\./);
    await assert.rejects(client.readResource({ uri: "tavro://capture/zzzz" }),
      /No capture at tavro:\/\/capture\/zzzz\./);
  });

  test("ping and an unsupported method", async () => {
    assert.deepEqual(await client.ping(), {});
    await assert.rejects(client.listResourceTemplates(), /Unsupported method: resources\/templates\/list/);
  });
});
